# Installation (GNU directories) and the Debian package (CPack): the three programs, the
# desktop entry, the icon in the hicolor theme (SVG, and PNG in the usual sizes), the manual
# pages.
if(WIN32 AND TARGET hx5310-config)
    # Windows: the programs with the Qt libraries, the Windows platform plugin, the style plugin,
    # MinGW's run-time libraries and Qt's Japanese texts in one folder, and a setup program made by
    # NSIS (hx5310-setup-<version>.exe) with a Start-menu entry and an uninstaller. Windows has
    # Japanese fonts of its own; none is shipped.
    foreach(prog hx5310-config hx5310ctl)
        if(TARGET ${prog})
            install(TARGETS ${prog} RUNTIME DESTINATION .)
        endif()
    endforeach()
    foreach(lib Qt6::Core Qt6::Gui Qt6::Widgets)
        install(FILES $<TARGET_FILE:${lib}> DESTINATION .)
    endforeach()
    install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION plugins/platforms)
    if(TARGET Qt6::QWindowsVistaStylePlugin)
        install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION plugins/styles)
    endif()
    # The C++ run-time that the Qt libraries were built with.
    foreach(dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                        OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
            message(FATAL_ERROR "MinGW's ${dll} not found (${CMAKE_CXX_COMPILER})")
        endif()
        install(FILES ${found} DESTINATION .)
    endforeach()
    # Qt's Japanese texts for its own dialogs: the same .qm files on every system (Debian package
    # qt6-translations-l10n). Qt finds plugins and texts beside the programs through qt.conf.
    set(HX_QT_TRANSLATIONS /usr/share/qt6/translations CACHE PATH "Qt's .qm files")
    install(FILES ${HX_QT_TRANSLATIONS}/qtbase_ja.qm DESTINATION translations)
    file(WRITE ${PROJECT_BINARY_DIR}/install/qt.conf "[Paths]\nPrefix = .\n")
    install(FILES ${PROJECT_BINARY_DIR}/install/qt.conf DESTINATION .)

    set(CPACK_GENERATOR NSIS)
    set(CPACK_PACKAGE_FILE_NAME hx5310-setup-${PROJECT_VERSION})
    set(CPACK_PACKAGE_INSTALL_DIRECTORY HX-5310-Config)
    set(CPACK_NSIS_DISPLAY_NAME "HX-5310 設定ツール")
    set(CPACK_NSIS_PACKAGE_NAME "HX-5310 設定ツール")
    set(CPACK_PACKAGE_EXECUTABLES hx5310-config "HX-5310 設定ツール")
    set(CPACK_NSIS_INSTALLED_ICON_NAME hx5310-config.exe)
    set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
    # The Japanese names need a Unicode installer; the script CPack writes is UTF-8 (CPack puts
    # a "-" before each argument).
    set(CPACK_NSIS_EXECUTABLE_PRE_ARGUMENTS "INPUTCHARSET UTF8")
    # A 64-bit setup program for the 64-bit programs, into "Program Files" (not its x86 twin).
    # It runs under a 64-bit-only Wine too.
    set(CPACK_NSIS_DEFINES "Target amd64-unicode")
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
elseif(NOT WIN32)
    include(GNUInstallDirs)

    foreach(prog hx5310-config hx5310ctl hx5310-sim)
        if(TARGET ${prog})
            install(TARGETS ${prog} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
        endif()
    endforeach()

    install(FILES data/hx5310-config.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    # The schema of a line's database counter, for psql (hx5310ctl counter init runs the same).
    install(FILES data/hx5310-counter.sql DESTINATION ${CMAKE_INSTALL_DATADIR}/hx5310)
    install(FILES data/hx5310-config.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

    # The PNG pictures are drawn from the SVG at build time.
    find_program(HX_RSVG_CONVERT rsvg-convert)
    if(HX_RSVG_CONVERT)
        set(icon_outputs)
        foreach(size 16 32 48 64 128 256)
            set(png ${PROJECT_BINARY_DIR}/icons/${size}x${size}/hx5310-config.png)
            add_custom_command(
                OUTPUT ${png}
                COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icons/${size}x${size}
                COMMAND ${HX_RSVG_CONVERT} -w ${size} -h ${size} -o ${png}
                        ${PROJECT_SOURCE_DIR}/data/hx5310-config.svg
                DEPENDS ${PROJECT_SOURCE_DIR}/data/hx5310-config.svg
                VERBATIM)
            list(APPEND icon_outputs ${png})
            install(FILES ${png}
                    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
        endforeach()
        add_custom_target(hx_icons ALL DEPENDS ${icon_outputs})
    else()
        message(WARNING "rsvg-convert not found (Debian package librsvg2-bin): "
                        "the icon is installed as SVG only")
    endif()

    # Manual pages, with the version filled in and compressed as Debian keeps them.
    set(man_outputs)
    foreach(page hx5310-config hx5310ctl hx5310-sim)
        configure_file(data/man/${page}.1 ${PROJECT_BINARY_DIR}/man/${page}.1 @ONLY)
        set(gz ${PROJECT_BINARY_DIR}/man/${page}.1.gz)
        add_custom_command(
            OUTPUT ${gz}
            COMMAND gzip -9nf -k ${PROJECT_BINARY_DIR}/man/${page}.1
            DEPENDS ${PROJECT_BINARY_DIR}/man/${page}.1
            VERBATIM)
        list(APPEND man_outputs ${gz})
        install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    endforeach()
    add_custom_target(hx_man ALL DEPENDS ${man_outputs})

    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGE_DESCRIPTION
        "Reads, edits, verifies and stores the settings of the HX-5310 two-channel voice relay \
box over a serial port, keeps settings in files and shows the box live: a window with a \
Japanese user interface (hx5310-config), a command-line tool for scripts and production \
lines (hx5310ctl) and a virtual box on a pseudo-terminal (hx5310-sim).")
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON) # the Qt and C++ libraries, from the programs themselves
    # What the programs load at run time besides: the X11 platform plugin, Qt's Japanese texts for
    # its file dialogs, and a Japanese font.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS
        "qt6-qpa-plugins, qt6-translations-l10n, fonts-ipafont-gothic | fonts-noto-cjk")
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "desktop-file-utils")
endif()

set(CPACK_PACKAGE_NAME hx5310)
set(CPACK_PACKAGE_VENDOR QORVA)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "HX-5310 tool maintainers <hx5310@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration tool for the HX-5310 voice relay box")
include(CPack)
