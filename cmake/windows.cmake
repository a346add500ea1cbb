# What the Windows build needs beyond the sources: programs that run from any folder, Qt's
# libraries and platform plugin beside the window, the UTF-8 code page manifest and the icon.

# zlib into the programs, as libpng and FreeType are: mingw's DLL of it is nothing Windows has.
set(ZLIB_USE_STATIC_LIBS ON)

# mingw's time.h offers localtime_r and gmtime_r with this, as the C library does on Linux.
add_compile_definitions(_POSIX_THREAD_SAFE_FUNCTIONS)

# The command line and the tests carry their C++ run time inside; the window shares Qt's.
function(zotpx_windows_static_runtime target)
  target_link_options(${target} PRIVATE -static)
endfunction()

# UTF-8 as the process code page (arguments, file names, the narrow API), and the icon for the
# window. `icon` may be empty. A program that is shipped gives its description as a third
# argument: its version information then says what it is, whose, and which version (Explorer's
# Properties, the installer's and support's questions).
function(zotpx_windows_resources target icon)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  set(content "1 24 \"${PROJECT_SOURCE_DIR}/packaging/windows/zotpx.manifest\"\n")
  if(icon)
    # The name Qt's Windows plugin looks for when a window has no icon of its own.
    string(APPEND content "IDI_ICON1 ICON \"${icon}\"\n")
  endif()
  if(ARGC GREATER 2)
    string(APPEND content [[
1 VERSIONINFO
FILEVERSION @ZOTPX_WIN_VERSION_WORDS@
PRODUCTVERSION @ZOTPX_WIN_VERSION_WORDS@
FILEOS 0x40004
FILETYPE 1
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904B0"
    BEGIN
      VALUE "CompanyName", "@ZOTPX_WIN_COMPANY@"
      VALUE "FileDescription", "@ZOTPX_WIN_DESCRIPTION@"
      VALUE "FileVersion", "@PROJECT_VERSION@"
      VALUE "InternalName", "@target@"
      VALUE "LegalCopyright", "@ZOTPX_WIN_COPYRIGHT@"
      VALUE "OriginalFilename", "@target@.exe"
      VALUE "ProductName", "zotpx"
      VALUE "ProductVersion", "@PROJECT_VERSION@"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x409, 1200
  END
END
]])
    set(ZOTPX_WIN_DESCRIPTION "${ARGV2}")
    string(REPLACE "." "," ZOTPX_WIN_VERSION_WORDS "${PROJECT_VERSION}.0")
    string(REGEX REPLACE " <.*>$" "" ZOTPX_WIN_COMPANY "${ZOTPX_MAINTAINER}")
    file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE ZOTPX_WIN_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
    string(CONFIGURE "${content}" content @ONLY)
  endif()
  file(GENERATE OUTPUT ${rc} CONTENT "${content}")
  target_sources(${target} PRIVATE ${rc})
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS
               ${PROJECT_SOURCE_DIR}/packaging/windows/zotpx.manifest ${icon})
endfunction()

# The icon, drawn from the same SVG as Linux's, at the sizes Windows asks for.
function(zotpx_windows_icon out_var)
  find_program(RSVG_CONVERT rsvg-convert REQUIRED)
  find_program(ICOTOOL icotool REQUIRED)
  set(svg ${PROJECT_SOURCE_DIR}/packaging/zotpx-manager.svg)
  set(ico ${CMAKE_BINARY_DIR}/zotpx-manager.ico)
  set(pngs)
  foreach(size 16 24 32 48 64 256)
    set(png ${CMAKE_BINARY_DIR}/icon-${size}.png)
    list(APPEND pngs ${png})
    add_custom_command(OUTPUT ${png} COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${svg}
                       DEPENDS ${svg} VERBATIM)
  endforeach()
  add_custom_command(OUTPUT ${ico} COMMAND ${ICOTOOL} -c -o ${ico} ${pngs} DEPENDS ${pngs} VERBATIM)
  add_custom_target(zotpx_windows_icon DEPENDS ${ico})
  set(${out_var} ${ico} PARENT_SCOPE)
endfunction()

# Stripped copies of DLLs that come with debugging symbols (mingw's run time alone carries 22 MB
# of them), made once into stripped/ and what the build tree and the packages take.
function(zotpx_windows_stripped out_var)
  set(copies)
  foreach(dll IN LISTS ARGN)
    get_filename_component(name ${dll} NAME)
    set(copy ${CMAKE_BINARY_DIR}/stripped/${name})
    add_custom_command(OUTPUT ${copy}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/stripped
      COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${copy} ${dll}
      DEPENDS ${dll} VERBATIM)
    list(APPEND copies ${copy})
  endforeach()
  set(${out_var} ${copies} PARENT_SCOPE)
endfunction()

# The fonts the screen drawing and the window read, in fonts\ beside `target` in the build tree
# (the packages put them there too: windows-package.cmake).
set(ZOTPX_WIN_QT_TEXTS /usr/share/qt6/translations/qtbase_zh_CN.qm)
set(ZOTPX_WIN_FONTS /usr/share/unifont/unifont.hex /usr/share/fonts/truetype/wqy/wqy-zenhei.ttc)
function(zotpx_windows_fonts target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:${target}>/fonts
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ZOTPX_WIN_FONTS} $<TARGET_FILE_DIR:${target}>/fonts
    VERBATIM)
endfunction()

# Qt's libraries, the Windows platform plugin, the native style and mingw's run time beside
# `target`, in the build tree (so it runs there, under Wine too) and where it is installed.
function(zotpx_windows_deploy_qt target)
  get_target_property(qt_core_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
  get_filename_component(qt_bin ${qt_core_dll} DIRECTORY)
  get_filename_component(qt_prefix ${qt_bin} DIRECTORY)
  set(dlls ${qt_bin}/Qt6Core.dll ${qt_bin}/Qt6Gui.dll ${qt_bin}/Qt6Widgets.dll)
  foreach(name libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    find_file(dll_${name} ${name} PATHS ${ZOTPX_MINGW_RUNTIME_DIRS} NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
              REQUIRED)
    list(APPEND dlls ${dll_${name}})
  endforeach()
  zotpx_windows_stripped(dlls ${dlls})
  zotpx_windows_stripped(platform ${qt_prefix}/plugins/platforms/qwindows.dll)
  # For tests under Wine without a display; not installed.
  zotpx_windows_stripped(offscreen ${qt_prefix}/plugins/platforms/qoffscreen.dll)
  zotpx_windows_stripped(style ${qt_prefix}/plugins/styles/qwindowsvistastyle.dll)
  add_custom_target(zotpx_windows_dlls DEPENDS ${dlls} ${platform} ${offscreen} ${style})
  add_dependencies(${target} zotpx_windows_dlls)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${dlls} $<TARGET_FILE_DIR:${target}>
    COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:${target}>/platforms
                                               $<TARGET_FILE_DIR:${target}>/styles
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${platform} ${offscreen}
                                                  $<TARGET_FILE_DIR:${target}>/platforms
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${style} $<TARGET_FILE_DIR:${target}>/styles
    # Qt's own texts in Chinese, where Qt looks without a qt.conf: beside the program.
    COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:${target}>/translations
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${ZOTPX_WIN_QT_TEXTS}
                                                  $<TARGET_FILE_DIR:${target}>/translations
    VERBATIM)
  install(FILES ${dlls} DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${platform} DESTINATION ${CMAKE_INSTALL_BINDIR}/platforms)
  install(FILES ${style} DESTINATION ${CMAKE_INSTALL_BINDIR}/styles)
  install(FILES ${ZOTPX_WIN_QT_TEXTS} DESTINATION ${CMAKE_INSTALL_BINDIR}/translations)
endfunction()
