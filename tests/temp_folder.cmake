# The folder every test takes as TMPDIR: STEP=start makes it anew and empty; STEP=end fails,
# naming them, when tests left files or folders in it.
if(STEP STREQUAL "start")
  file(REMOVE_RECURSE ${FOLDER})
  file(MAKE_DIRECTORY ${FOLDER})
  return()
endif()
file(GLOB left RELATIVE ${FOLDER} ${FOLDER}/* ${FOLDER}/.*)
# What the program that runs the tests keeps there for itself (Wine's own folder, while its
# server lives) is not the tests'.
if(IGNORE AND left)
  list(FILTER left EXCLUDE REGEX "${IGNORE}")
endif()
if(left)
  list(JOIN left "\n  " names)
  message(FATAL_ERROR "Tests left these in the temporary folder ${FOLDER}:\n  ${names}")
endif()
message("Nothing left in ${FOLDER}")
