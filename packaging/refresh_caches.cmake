# Refreshes the caches of the data folder VINTREL_DATADIR (for example /usr/local/share) that
# Vintrel's files take part in: the MIME database, the desktop entries' MIME lists and the icons.
# A tool that is not installed is skipped; a desktop then works on without that cache.
find_program(VINTREL_UPDATE_MIME update-mime-database)
find_program(VINTREL_UPDATE_DESKTOP update-desktop-database)
find_program(VINTREL_UPDATE_ICONS gtk-update-icon-cache)

if(VINTREL_UPDATE_MIME AND IS_DIRECTORY "${VINTREL_DATADIR}/mime/packages")
    message(STATUS "Refreshing the MIME database: ${VINTREL_DATADIR}/mime")
    execute_process(COMMAND "${VINTREL_UPDATE_MIME}" "${VINTREL_DATADIR}/mime")
endif()
if(VINTREL_UPDATE_DESKTOP AND IS_DIRECTORY "${VINTREL_DATADIR}/applications")
    message(STATUS "Refreshing the desktop entries' MIME types: ${VINTREL_DATADIR}/applications")
    execute_process(COMMAND "${VINTREL_UPDATE_DESKTOP}" -q "${VINTREL_DATADIR}/applications")
endif()
# Only a theme folder with its index gets a cache; without one, icons are found by their folders.
if(VINTREL_UPDATE_ICONS AND EXISTS "${VINTREL_DATADIR}/icons/hicolor/index.theme")
    message(STATUS "Refreshing the icon cache: ${VINTREL_DATADIR}/icons/hicolor")
    execute_process(COMMAND "${VINTREL_UPDATE_ICONS}" -q -t -f "${VINTREL_DATADIR}/icons/hicolor")
endif()
