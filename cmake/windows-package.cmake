# The Windows installer (NSIS) and zip, made by CPack: the programs, Qt's libraries and plugins,
# mingw's run time, the fonts the screen drawing and the window read (in fonts\ beside the
# programs), the windows' English texts and Qt's Chinese ones (in bin\translations\: without
# a qt.conf Qt's prefix is the program's own folder), and the licences of everything shipped. Both run from any folder.

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
# What the Debian package carries beside the programs: the README (as a text file Notepad opens
# on a double click) and the example layouts with the bitmaps they draw, beside each other.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION . RENAME README.txt)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION examples)

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME zotpx)
set(CPACK_PACKAGE_VENDOR "The zotpx developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tools for ZOT-Px on-screen-display chips and modules")
set(CPACK_PACKAGE_FILE_NAME zotpx-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY zotpx)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
# The shortcuts are named as the menu entries on Linux, in the installer's language (the
# language strings below). The uninstaller removes them by both languages' names, whatever
# language it runs in.
set(CPACK_PACKAGE_EXECUTABLES zotpx-manager "$(ZotpxManagerName)"
                               zotpx-designer "$(ZotpxDesignerName)")
# (CPACK_ variables: CPack fills them into the template.)
set(CPACK_ZOTPX_MANAGER_EN "ZOT-Px Manager")
set(CPACK_ZOTPX_MANAGER_ZH "ZOT-Px系列字符叠加芯片和模块管理软件")
set(CPACK_ZOTPX_DESIGNER_EN "ZOT-Px Layout Designer")
set(CPACK_ZOTPX_DESIGNER_ZH "ZOT-Px布局设计器")
set(CPACK_NSIS_DELETE_ICONS_EXTRA "")
foreach(shortcut ${CPACK_ZOTPX_MANAGER_EN} ${CPACK_ZOTPX_MANAGER_ZH} ${CPACK_ZOTPX_DESIGNER_EN}
                 ${CPACK_ZOTPX_DESIGNER_ZH})
  string(APPEND CPACK_NSIS_DELETE_ICONS_EXTRA "Delete '$SMPROGRAMS\\$MUI_TEMP\\${shortcut}.lnk'\n  ")
endforeach()
# The window writes "User.cfg" into the folder it starts in: from the Start menu that is the
# Documents folder (all users' for an installation for all), never the read-only Program Files.
# The shortcut made above is made again with that working folder; the uninstaller removes it.
set(CPACK_NSIS_CREATE_ICONS_EXTRA
    "SetOutPath '$DOCUMENTS'
  CreateShortCut '$SMPROGRAMS\\$STARTMENU_FOLDER\\$(ZotpxManagerName).lnk' '$INSTDIR\\bin\\zotpx-manager.exe'
  SetOutPath '$INSTDIR'")
# The options page's "desktop icon": the same shortcut on the desktop (made whether or not the
# Start menu gets its folder), and gone with the uninstall.
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS
    "StrCmp '$INSTALL_DESKTOP' '1' 0 +4
    SetOutPath '$DOCUMENTS'
    CreateShortCut '$DESKTOP\\$(ZotpxManagerName).lnk' '$INSTDIR\\bin\\zotpx-manager.exe'
    SetOutPath '$INSTDIR'")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS
    "StrCmp '$INSTALL_DESKTOP' '1' 0 +3
    Delete '$DESKTOP\\${CPACK_ZOTPX_MANAGER_EN}.lnk'
    Delete '$DESKTOP\\${CPACK_ZOTPX_MANAGER_ZH}.lnk'")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY ${CMAKE_INSTALL_BINDIR})
# Windows separators: the uninstall entry shows the icon from this path.
set(CPACK_NSIS_INSTALLED_ICON_NAME "${CMAKE_INSTALL_BINDIR}\\\\zotpx-manager.exe")
if(ZOTPX_WIN_ICON)
  set(CPACK_NSIS_MUI_ICON ${ZOTPX_WIN_ICON})
  set(CPACK_NSIS_MUI_UNIICON ${ZOTPX_WIN_ICON})
endif()
# A 64-bit installer for 64-bit programs: it installs under "Program Files" (not its x86
# twin), writes the 64-bit registry, and needs no 32-bit subsystem to run.
# Its version information, as the programs carry theirs (windows.cmake).
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE copyright REGEX "^Copyright " LIMIT_COUNT 1)
set(CPACK_NSIS_DEFINES "Target amd64-unicode
  VIProductVersion ${PROJECT_VERSION}.0
  VIAddVersionKey ProductName zotpx
  VIAddVersionKey ProductVersion ${PROJECT_VERSION}
  VIAddVersionKey FileVersion ${PROJECT_VERSION}
  VIAddVersionKey CompanyName '${CPACK_PACKAGE_VENDOR}'
  VIAddVersionKey FileDescription 'zotpx ${PROJECT_VERSION} setup'
  VIAddVersionKey LegalCopyright '${copyright}'")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# Offers to put the programs on PATH; the user chooses.
set(CPACK_NSIS_MODIFY_PATH ON)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)

# CMake's own NSIS template, changed where it falls short: its languages cut to English (the
# default) and Simplified Chinese, NSIS choosing by the system's language; the texts it writes
# itself (the options page, the "already installed" question, two warnings) made language
# strings of both; and the vendor's registry key removed with the program's when it is left
# empty. Each change must find its place: a CMake whose template differs stops here.
set(ZOTPX_NSIS_TEXTS [=[
  LangString ZotpxOptionsTitle ${LANG_ENGLISH} "Install Options"
  LangString ZotpxOptionsTitle ${LANG_SIMPCHINESE} "安装选项"
  LangString ZotpxOptionsText ${LANG_ENGLISH} "Choose options for installing @CPACK_NSIS_PACKAGE_NAME@"
  LangString ZotpxOptionsText ${LANG_SIMPCHINESE} "选择 @CPACK_NSIS_PACKAGE_NAME@ 的安装选项"
  LangString ZotpxPathNote ${LANG_ENGLISH} "By default @CPACK_PACKAGE_INSTALL_DIRECTORY@ does not add its directory to the system PATH."
  LangString ZotpxPathNote ${LANG_SIMPCHINESE} "默认情况下，@CPACK_PACKAGE_INSTALL_DIRECTORY@ 不把它的目录加入系统的 PATH。"
  LangString ZotpxPathNone ${LANG_ENGLISH} "Do not add @CPACK_PACKAGE_NAME@ to the system PATH"
  LangString ZotpxPathNone ${LANG_SIMPCHINESE} "不把 @CPACK_PACKAGE_NAME@ 加入系统的 PATH"
  LangString ZotpxPathAll ${LANG_ENGLISH} "Add @CPACK_PACKAGE_NAME@ to the system PATH for all users"
  LangString ZotpxPathAll ${LANG_SIMPCHINESE} "为所有用户把 @CPACK_PACKAGE_NAME@ 加入系统的 PATH"
  LangString ZotpxPathUser ${LANG_ENGLISH} "Add @CPACK_PACKAGE_NAME@ to the system PATH for current user"
  LangString ZotpxPathUser ${LANG_SIMPCHINESE} "为当前用户把 @CPACK_PACKAGE_NAME@ 加入系统的 PATH"
  LangString ZotpxDesktop ${LANG_ENGLISH} "Create @CPACK_PACKAGE_NAME@ Desktop Icon"
  LangString ZotpxDesktop ${LANG_SIMPCHINESE} "创建 @CPACK_PACKAGE_NAME@ 桌面图标"
  LangString ZotpxInstalled ${LANG_ENGLISH} "@CPACK_NSIS_PACKAGE_NAME@ is already installed. $\n$\nDo you want to uninstall the old version before installing the new one?"
  LangString ZotpxInstalled ${LANG_SIMPCHINESE} "@CPACK_NSIS_PACKAGE_NAME@ 已经安装。$\n$\n安装新版本之前，要先卸载旧版本吗？"
  LangString ZotpxUninstallFailed ${LANG_ENGLISH} "Uninstall failed."
  LangString ZotpxUninstallFailed ${LANG_SIMPCHINESE} "卸载失败。"
  LangString ZotpxPathTooLong ${LANG_ENGLISH} "Warning! PATH too long installer unable to modify PATH!"
  LangString ZotpxPathTooLong ${LANG_SIMPCHINESE} "警告：PATH 太长，安装程序无法修改 PATH！"
  LangString ZotpxManagerName ${LANG_ENGLISH} "@CPACK_ZOTPX_MANAGER_EN@"
  LangString ZotpxManagerName ${LANG_SIMPCHINESE} "@CPACK_ZOTPX_MANAGER_ZH@"
  LangString ZotpxDesignerName ${LANG_ENGLISH} "@CPACK_ZOTPX_DESIGNER_EN@"
  LangString ZotpxDesignerName ${LANG_SIMPCHINESE} "@CPACK_ZOTPX_DESIGNER_ZH@"
]=])
# Replaces `from` by `to` in `template`; `from` must be there.
function(zotpx_nsis_change from to)
  string(FIND "${template}" "${from}" at)
  if(at EQUAL -1 OR from STREQUAL "")
    message(FATAL_ERROR "CMake's NSIS template has no \"${from}\": see cmake/windows-package.cmake")
  endif()
  string(REPLACE "${from}" "${to}" template "${template}")
  set(template "${template}" PARENT_SCOPE)
endfunction()
file(READ ${CMAKE_ROOT}/Modules/Internal/CPack/NSIS.template.in template)
string(REGEX MATCH "  !insertmacro MUI_LANGUAGE \"English\"[^\n]*\n(  !insertmacro MUI_LANGUAGE [^\n]*\n)*"
       languages "${template}")
zotpx_nsis_change(
  [=[  !insertmacro MUI_HEADER_TEXT "Install Options" "Choose options for installing @CPACK_NSIS_PACKAGE_NAME@"]=]
  [=[  !insertmacro MUI_HEADER_TEXT "$(ZotpxOptionsTitle)" "$(ZotpxOptionsText)"
  !insertmacro MUI_INSTALLOPTIONS_WRITE "NSIS.InstallOptions.ini" "Field 1" "Text" "$(ZotpxPathNote)"
  !insertmacro MUI_INSTALLOPTIONS_WRITE "NSIS.InstallOptions.ini" "Field 2" "Text" "$(ZotpxPathNone)"
  !insertmacro MUI_INSTALLOPTIONS_WRITE "NSIS.InstallOptions.ini" "Field 3" "Text" "$(ZotpxPathAll)"
  !insertmacro MUI_INSTALLOPTIONS_WRITE "NSIS.InstallOptions.ini" "Field 4" "Text" "$(ZotpxPathUser)"
  !insertmacro MUI_INSTALLOPTIONS_WRITE "NSIS.InstallOptions.ini" "Field 5" "Text" "$(ZotpxDesktop)"]=])
zotpx_nsis_change(
  [=["@CPACK_NSIS_PACKAGE_NAME@ is already installed. $\n$\nDo you want to uninstall the old version before installing the new one?"]=]
  [=["$(ZotpxInstalled)"]=])
zotpx_nsis_change([=["Uninstall failed."]=] [=["$(ZotpxUninstallFailed)"]=])
zotpx_nsis_change([=["Warning! PATH too long installer unable to modify PATH!"]=]
                  [=["$(ZotpxPathTooLong)"]=])
zotpx_nsis_change(
  [=[  DeleteRegKey /ifempty SHCTX "Software\@CPACK_PACKAGE_VENDOR@\@CPACK_PACKAGE_INSTALL_REGISTRY_KEY@"]=]
  [=[  DeleteRegKey /ifempty SHCTX "Software\@CPACK_PACKAGE_VENDOR@\@CPACK_PACKAGE_INSTALL_REGISTRY_KEY@"
  DeleteRegKey /ifempty SHCTX "Software\@CPACK_PACKAGE_VENDOR@"]=])
# Last: the texts hold what the changes above look for.
zotpx_nsis_change("${languages}" "  !insertmacro MUI_LANGUAGE \"English\"
  !insertmacro MUI_LANGUAGE \"SimpChinese\"
${ZOTPX_NSIS_TEXTS}")
file(WRITE ${CMAKE_BINARY_DIR}/nsis/NSIS.template.in "${template}")
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_BINARY_DIR}/nsis)
include(CPack)
