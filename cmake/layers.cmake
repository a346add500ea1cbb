# The core's layers, one library per folder: each links only the folders beneath it, and
# configuring fails when a file includes a header of a folder its library does not link, so
# that the picture in the design notes is kept by the build, not by goodwill.
#
#   zotpx_layer(serial DEPENDS base)   # src/serial/*.cpp into zotpx_serial, above zotpx_base

# zotpx_layer(FOLDER [DEPENDS FOLDER...]): the library zotpx_FOLDER from src/FOLDER.
function(zotpx_layer folder)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "DEPENDS")
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.h)
  # Every folder beneath, through the layers it stands on.
  set(allowed ${folder})
  foreach(below IN LISTS arg_DEPENDS)
    get_property(under GLOBAL PROPERTY ZOTPX_LAYER_${below})
    list(APPEND allowed ${below} ${under})
  endforeach()
  list(REMOVE_DUPLICATES allowed)
  set_property(GLOBAL PROPERTY ZOTPX_LAYER_${folder} ${allowed})
  # Every file, both systems' included: a Windows file must keep the layers on Linux too.
  foreach(file IN LISTS sources headers)
    file(STRINGS ${file} includes REGEX "^#include \"[a-z_]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^#include \"([a-z_]+)/.*" "\\1" included "${line}")
      if(NOT included IN_LIST allowed)
        file(RELATIVE_PATH where ${PROJECT_SOURCE_DIR} ${file})
        message(FATAL_ERROR "${where} includes ${included}/, which is not beneath ${folder}/ "
                            "(it may use: ${allowed})")
      endif()
    endforeach()
  endforeach()
  zotpx_platform_sources(sources)
  add_library(zotpx_${folder} STATIC ${sources})
  foreach(below IN LISTS arg_DEPENDS)
    target_link_libraries(zotpx_${folder} PUBLIC zotpx_${below})
  endforeach()
endfunction()
