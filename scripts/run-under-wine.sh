#!/usr/bin/env bash
# Runs a Windows test program under Wine in a throwaway prefix, and removes the prefix afterwards.
set -euo pipefail
exe=$1
shift
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
prefix=$(mktemp -d "${TMPDIR:-/tmp}/vintrel-wine.XXXXXX")
cleanup() {
    WINEPREFIX=$prefix /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
    rm -rf "$prefix"
}
trap cleanup EXIT
export HOME=${HOME:-$prefix}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
"$wine" "$exe" "$@" 2> >(grep -v -E 'rundll32.exe|has been updated' >&2)
