# One file per platform for each seam that differs between Linux and Windows: `name.cpp` is
# Linux's, `name_win32.cpp` takes its place on Windows; a `_win32.cpp` without a twin is
# Windows-only.
function(zotpx_platform_sources var)
  set(files ${${var}})
  if(WIN32)
    foreach(file IN LISTS files)
      if(file MATCHES "_win32\\.cpp$")
        string(REGEX REPLACE "_win32\\.cpp$" ".cpp" twin "${file}")
        list(REMOVE_ITEM files "${twin}")
      endif()
    endforeach()
  else()
    list(FILTER files EXCLUDE REGEX "_win32\\.cpp$")
  endif()
  set(${var} ${files} PARENT_SCOPE)
endfunction()
