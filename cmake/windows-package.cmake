# The Windows installer (NSIS) and zip, made by CPack: the programs, Qt's libraries and plugins,
# mingw's run time, the fonts the screen drawing and the window read (in fonts\ beside the
# programs), Qt's Chinese texts (in bin\translations\: without a qt.conf Qt's prefix is the
# program's own folder), and the licences of everything shipped. Both run from any folder.

set(ZOTPX_WIN_LICENSES
    ${PROJECT_SOURCE_DIR}/LICENSE
    /usr/share/doc/unifont/copyright=unifont.txt
    /usr/share/doc/fonts-wqy-zenhei/copyright=fonts-wqy-zenhei.txt
    /usr/share/doc/gcc-mingw-w64-x86-64-posix/copyright=gcc-mingw-w64.txt
    /usr/share/doc/libz-mingw-w64-dev/copyright=zlib.txt
    # Compiled into the programs from their headers.
    /usr/share/doc/libcli11-dev/copyright=cli11.txt
    /usr/share/doc/nlohmann-json3-dev/copyright=nlohmann-json.txt
    /usr/share/doc/libtomlplusplus-dev/copyright=tomlplusplus.txt
    /usr/share/doc/libstb-dev/copyright=stb.txt)
# Qt's, libpng's and FreeType's from the Debian sources they were built from.
foreach(package qt6-base libpng1.6 freetype)
  file(GLOB copyright ${ZOTPX_WIN_CACHE}/src/${package}-*/debian/copyright)
  if(copyright)
    list(GET copyright 0 copyright)
    list(APPEND ZOTPX_WIN_LICENSES ${copyright}=${package}.txt)
  endif()
endforeach()
foreach(entry IN LISTS ZOTPX_WIN_LICENSES)
  string(REPLACE "=" ";" parts "${entry}")
  list(GET parts 0 source)
  list(LENGTH parts n)
  if(n GREATER 1)
    list(GET parts 1 name)
  else()
    get_filename_component(name ${source} NAME)
    set(name zotpx-${name}.txt)
  endif()
  install(FILES ${source} DESTINATION licenses RENAME ${name})
endforeach()

if(TARGET zotpx OR TARGET zotpx-manager)
  install(FILES ${ZOTPX_WIN_FONTS} DESTINATION ${CMAKE_INSTALL_BINDIR}/fonts)
endif()

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME zotpx)
set(CPACK_PACKAGE_VENDOR "The zotpx developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tools for ZOT-Px on-screen-display chips and modules")
set(CPACK_PACKAGE_FILE_NAME zotpx-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY zotpx)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_EXECUTABLES zotpx-manager zotpx-manager zotpx-designer zotpx-designer)
# The window writes "User.cfg" into the folder it starts in: from the Start menu that is the
# Documents folder (all users' for an installation for all), never the read-only Program Files.
# The shortcut made above is made again with that working folder; the uninstaller removes it.
set(CPACK_NSIS_CREATE_ICONS_EXTRA
    "SetOutPath '$DOCUMENTS'
  CreateShortCut '$SMPROGRAMS\\$STARTMENU_FOLDER\\zotpx-manager.lnk' '$INSTDIR\\bin\\zotpx-manager.exe'
  SetOutPath '$INSTDIR'")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY ${CMAKE_INSTALL_BINDIR})
# Windows separators: the uninstall entry shows the icon from this path.
set(CPACK_NSIS_INSTALLED_ICON_NAME "${CMAKE_INSTALL_BINDIR}\\\\zotpx-manager.exe")
if(ZOTPX_WIN_ICON)
  set(CPACK_NSIS_MUI_ICON ${ZOTPX_WIN_ICON})
  set(CPACK_NSIS_MUI_UNIICON ${ZOTPX_WIN_ICON})
endif()
# A 64-bit installer for 64-bit programs: it installs under "Program Files" (not its x86
# twin), writes the 64-bit registry, and needs no 32-bit subsystem to run.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# Offers to put the programs on PATH; the user chooses.
set(CPACK_NSIS_MODIFY_PATH ON)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
include(CPack)
