# Windows programs built with a Qt for Windows run here under Wine: the test programs (ctest and
# GoogleTest's discovery call them through CMAKE_CROSSCOMPILING_EMULATOR, wine-test.sh below)
# and the programs in the tests under tests/win/. wine-run.sh in the build folder runs a program in the build's own
# Wine prefix, with the Qt libraries and MinGW's run-time on Wine's search path.
find_program(HX_WINE64 wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(NOT HX_WINE64)
    return()
endif()
get_target_property(hx_qt_core_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
if(NOT hx_qt_core_dll)
    get_target_property(hx_qt_core_dll Qt6::Core IMPORTED_LOCATION)
endif()
get_filename_component(hx_qt_bin "${hx_qt_core_dll}" DIRECTORY)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                OUTPUT_VARIABLE hx_mingw_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(hx_mingw_bin "${hx_mingw_dll}" DIRECTORY)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libwinpthread-1.dll
                OUTPUT_VARIABLE hx_pthread_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(hx_pthread_bin "${hx_pthread_dll}" DIRECTORY)
set(hx_wine_path "")
foreach(dir ${hx_qt_bin} ${hx_mingw_bin} ${hx_pthread_bin})
    string(REPLACE "/" "\\" dir "${dir}")
    string(APPEND hx_wine_path "Z:${dir};")
endforeach()
file(WRITE ${PROJECT_BINARY_DIR}/wine-run.sh
"#!/bin/sh
# Runs a Windows program of this build under Wine (written by cmake/WineRun.cmake).
export WINEDEBUG=\${WINEDEBUG:--all} WINEPREFIX=\"\${HX_WINEPREFIX:-${PROJECT_BINARY_DIR}/wine}\"
export WINEPATH='${hx_wine_path}'
exec ${HX_WINE64} \"$@\"
")
# wine-test.sh runs a test program. Now and then, on a busy machine, Wine ends a program before
# it runs a line of its own: it exits at once having printed nothing, where every test program
# prints GoogleTest's banner first. Such a start is tried again, up to three in all, and each
# retry is said on stderr; a program that printed anything ends the run with its own exit code.
file(WRITE ${PROJECT_BINARY_DIR}/wine-test.sh
"#!/bin/sh
out=$(mktemp) && err=$(mktemp) || exit 1
trap 'rm -f \"$out\" \"$err\"' EXIT
for start in 1 2 3; do
    \"$(dirname \"$0\")/wine-run.sh\" \"$@\" >\"$out\" 2>\"$err\"
    rc=$?
    if [ $rc -eq 0 ] || [ -s \"$out\" ] || [ -s \"$err\" ]; then
        cat \"$out\"
        cat \"$err\" >&2
        exit $rc
    fi
    echo \"wine-test.sh: $1 ended at once with exit code $rc and no output (start $start of 3)\" >&2
done
exit $rc
")
foreach(script wine-run.sh wine-test.sh)
    file(CHMOD ${PROJECT_BINARY_DIR}/${script} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
         GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_BINARY_DIR}/wine-test.sh)
# The programs of the build folder find Qt's plugins (the platform plugins above all) in the Qt
# they were built with.
get_filename_component(hx_qt_prefix "${hx_qt_bin}" DIRECTORY)
file(WRITE ${PROJECT_BINARY_DIR}/qt.conf "[Paths]\nPrefix = Z:${hx_qt_prefix}\n")
