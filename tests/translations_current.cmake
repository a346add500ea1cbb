# Fails when translations/zotpx_en.ts lacks a text the windows' sources have (or keeps one they
# no longer have): lupdate, run on a copy, must leave it as it is.
file(COPY_FILE ${TS} ${COPY})
execute_process(COMMAND ${LUPDATE} ${ARGS} -ts ${COPY} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "lupdate failed (${status})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${TS} ${COPY} RESULT_VARIABLE differs)
file(REMOVE ${COPY})
if(differs)
  message(FATAL_ERROR "translations/zotpx_en.ts is not up to date: run\n"
                      "  cmake --build build --target zotpx_lupdate\n"
                      "and give each new text its English")
endif()
