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
# A new prefix is set up by Wine's first start in the background, registry included; the tests must
# not run beside that. Set it up first and wait until every Wine process of the prefix has ended.
"$wine" wineboot --init >/dev/null 2>&1
/usr/lib/wine/wineserver -w
"$wine" "$exe" "$@" 2> >(grep -v -E 'rundll32.exe|has been updated' >&2)
