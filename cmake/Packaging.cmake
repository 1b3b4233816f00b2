# What `cmake --install` puts beside the programs, and the packages CPack builds from it:
# a .deb on Linux (apt resolves the wx libraries it needs), an installer and a .zip of the .exe
# files on Windows.

if(NOT WIN32)
  # The window's menu entry and icon only come with the window itself.
  if(TARGET slotkit-gui)
    install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/slotkit.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    foreach(size 16 32 48 64 128)
      install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/res/icons/slotkit-${size}.png
              DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
              RENAME slotkit.png)
    endforeach()
    install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/res/icons/slotkit.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  endif()

  # The manual page, with this build's version in its title line, compressed as Debian does.
  file(READ ${CMAKE_CURRENT_SOURCE_DIR}/packaging/slotkit.1 SLOTKIT_MAN_PAGE)
  string(REGEX REPLACE "\"slotkit [0-9.]+\"" "\"slotkit ${PROJECT_VERSION}\"" SLOTKIT_MAN_PAGE
                       "${SLOTKIT_MAN_PAGE}")
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/man/slotkit.1 "${SLOTKIT_MAN_PAGE}")
  set(SLOTKIT_MAN_GZ ${CMAKE_CURRENT_BINARY_DIR}/man/slotkit.1.gz)
  add_custom_command(
    OUTPUT ${SLOTKIT_MAN_GZ}
    COMMAND gzip -n -9 -c ${CMAKE_CURRENT_BINARY_DIR}/man/slotkit.1 > ${SLOTKIT_MAN_GZ}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/packaging/slotkit.1
    COMMENT "Compressing the manual page"
    VERBATIM)
  add_custom_target(slotkit_man_page ALL DEPENDS ${SLOTKIT_MAN_GZ})
  install(FILES ${SLOTKIT_MAN_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  # The licence, as Debian keeps it for every package.
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/copyright
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/slotkit)
else()
  # Beside the programs, in the installed folder and in the zip.
  install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
endif()

set(CPACK_PACKAGE_NAME slotkit)
set(CPACK_PACKAGE_VENDOR "slotkit developers")
set(CPACK_PACKAGE_CONTACT "slotkit developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "save slot manager for DS/GBA flash cartridge memory cards")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "slotkit lists the save slot files that a DS/GBA flash cartridge keeps on its SD or CF "
       "card and backs them up, restores, blanks, converts, renames, deletes and re-targets "
       "them. It imports saves of other devices and emulators (.sav, .dss, .duc, .dst) into "
       "slots and exports slots back. It comes as a window (slotkit-gui) and a command line "
       "(slotkit).")
# The installer's licence page; slotkit is GPL-3.0-or-later.
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/packages)

if(WIN32)
  # A 64-bit NSIS installer (slotkit-<version>-win64.exe) and a zip that runs from any folder.
  # The installer puts both programs into Program Files\slotkit, the window into the Start menu
  # and an uninstaller into the list of installed programs.
  set(CPACK_GENERATOR NSIS ZIP)
  set(CPACK_SYSTEM_NAME win64)
  set(CPACK_NSIS_EXECUTABLE ${CMAKE_CURRENT_SOURCE_DIR}/packaging/windows/makensis-amd64.sh)
  set(CPACK_PACKAGE_INSTALL_DIRECTORY slotkit)
  set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY slotkit)
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
  set(CPACK_NSIS_PACKAGE_NAME "slotkit ${PROJECT_VERSION}")
  set(CPACK_NSIS_DISPLAY_NAME "slotkit ${PROJECT_VERSION}")
  set(CPACK_NSIS_MUI_ICON ${CMAKE_CURRENT_SOURCE_DIR}/res/icons/slotkit.ico)
  set(CPACK_NSIS_MUI_UNIICON ${CMAKE_CURRENT_SOURCE_DIR}/res/icons/slotkit.ico)
  set(CPACK_NSIS_INSTALLED_ICON_NAME slotkit-gui.exe)
  set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
  set(CPACK_PACKAGE_EXECUTABLES slotkit-gui slotkit)  # Start menu: "slotkit" opens the window
  set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
  set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "slotkit developers")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # dpkg-shlibdeps turns the libraries the programs link (wx, GTK, libstdc++) into Depends.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
