# Makes a program's manual page from its own --help and --version with help2man, so the page
# cannot disagree with the program it describes. Run with cmake -P and:
#   PROGRAM   the built program (run by its name, so the page shows no build path)
#   VERSION   the project's version, which --version must show
#   SUMMARY   the NAME line
#   INCLUDE   extra sections (help2man include file)
#   COMMANDS  ON: add each subcommand's --help, found by walking the "Subcommands:" lists
#   OUTPUT    the gzipped page to write
cmake_minimum_required(VERSION 3.25)

get_filename_component(name "${PROGRAM}" NAME)
get_filename_component(folder "${PROGRAM}" DIRECTORY)
set(ENV{PATH} "${folder}:$ENV{PATH}")
# The page should read the same on every machine and build.
set(ENV{LC_ALL} C.UTF-8)
set(ENV{COLUMNS} 100)

execute_process(COMMAND "${name}" --version OUTPUT_VARIABLE said RESULT_VARIABLE rc ERROR_QUIET)
string(REGEX REPLACE "\n.*" "" said "${said}")
if(NOT rc EQUAL 0 OR NOT said STREQUAL "${name} ${VERSION}")
  message(FATAL_ERROR "${name} --version says \"${said}\" (exit ${rc}); it must say \"${name} ${VERSION}\"")
endif()

# roff for a block of program output shown as it stands.
function(AsRoff text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  # A line may not start with a control character.
  set(text "\n${text}")
  string(REPLACE "\n." "\n\\&." text "${text}")
  string(REPLACE "\n'" "\n\\&'" text "${text}")
  string(SUBSTRING "${text}" 1 -1 text)
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(commands "")
set(footer "")
function(Walk path)
  execute_process(COMMAND "${name}" ${path} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc
                  ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " shown "${path}")
    message(FATAL_ERROR "${name} ${shown} --help failed (exit ${rc}): ${err}")
  endif()
  if(path)
    string(REPLACE ";" " " title "${path}")
    string(STRIP "${title}" title)
    # The footer every command repeats (exit status ...) is on the page once already, and so
    # are the global options every command's help lists again.
    if(NOT footer STREQUAL "")
      string(REPLACE "${footer}" "" help "${help}")
    endif()
    string(REGEX REPLACE "\nGlobal options [^\n]*:\n(  [^\n]*\n)*" "" help "${help}")
    string(REGEX REPLACE "\n+$" "\n" help "${help}")
    AsRoff("${help}" roff)
    string(APPEND commands ".SS \"${name} ${title}\"\n.nf\n${roff}.fi\n")
  endif()
  string(FIND "${help}" "\nSubcommands:\n" at)
  if(at GREATER -1)
    math(EXPR at "${at} + 14")
    string(SUBSTRING "${help}" ${at} -1 list)
    string(FIND "${list}" "\n\n" end)
    if(NOT path AND end GREATER -1)
      string(SUBSTRING "${list}" ${end} -1 footer)
      string(STRIP "${footer}" footer)
    endif()
    string(REGEX REPLACE "\n\n.*" "" list "${list}")
    string(REPLACE "\n" ";" lines "${list}")
    foreach(line IN LISTS lines)
      if(line MATCHES "^  ([A-Za-z0-9][A-Za-z0-9_-]*)")
        Walk("${path};${CMAKE_MATCH_1}")
      endif()
    endforeach()
  endif()
  set(commands "${commands}" PARENT_SCOPE)
endfunction()

file(READ "${INCLUDE}" include)
if(COMMANDS)
  Walk("")
  if(commands)
    string(APPEND include "\n[COMMANDS]\nEach command's own options (zotpx COMMAND \\-\\-help); every command takes the global options above too, before or after it:\n${commands}")
  endif()
endif()
set(work "${OUTPUT}.work")
file(WRITE "${work}.h2m" "${include}")
execute_process(
  COMMAND help2man --no-info --section=1 "--name=${SUMMARY}" "--include=${work}.h2m"
          "--output=${work}" "${name}"
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "help2man could not make the page of ${name}")
endif()
# Debian wants pages compressed with gzip -9n (no name, no time stamp).
execute_process(COMMAND gzip -9nf "${work}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gzip failed on ${work}")
endif()
file(RENAME "${work}.gz" "${OUTPUT}")
file(REMOVE "${work}.h2m")
