# Makes a program's manual page from its own --help and --version with help2man, so the page
# cannot disagree with the program it describes. Run with cmake -P and:
#   PROGRAM   the built program (run by its name, so the page shows no build path)
#   VERSION   the project's version, which --version must show
#   SUMMARY   the NAME line
#   INCLUDE   extra sections (help2man include file)
#   COMMANDS  ON: add each subcommand's --help, found by walking the "Subcommands:" lists
#   LANGUAGE  en, or zh_CN for a Chinese page: the words help2man writes itself in Chinese
#   OUTPUT    the page to write (the packaging compresses it)
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

# roff for a piece of program output, to be filled to the reader's width: "|" and "," lists
# may break after each item.
function(Roff text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  string(REPLACE "|" "|\\:" text "${text}")
  string(REPLACE "," ",\\:" text "${text}")
  # A line may not start with a control character.
  if(text MATCHES "^[.']")
    set(text "\\&${text}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# A command's --help as roff that man fills to any width: each entry of its option, positional
# and subcommand lists ("  NAME   description", longer descriptions on indented lines below) a
# tagged paragraph, every other line a line of its own.
function(HelpAsRoff help out)
  # Lines as a CMake list, which would split at ";" and pair up "[" "]".
  string(REPLACE ";" "<semicolon>" help "${help}")
  string(REPLACE "[" "<open>" help "${help}")
  string(REPLACE "]" "<close>" help "${help}")
  string(REPLACE "\n" ";" lines "${help}")
  set(roff "")
  set(entry FALSE)  # inside a list, after its heading
  set(heading "")   # the list's heading, written with its first entry
  foreach(line IN LISTS lines)
    if(line STREQUAL "")
      string(APPEND roff ".PP\n")
      set(entry FALSE)
    elseif(line MATCHES "^[A-Z][A-Za-z ]*:$")
      set(heading "${line}\n")
      set(entry TRUE)
    elseif(entry AND line MATCHES "^  ([^ ]+( [^ ]+)*)(  +(.*))?$")
      set(description "${CMAKE_MATCH_4}")
      # Every command has -h and --help; the page says so once.
      if(NOT CMAKE_MATCH_1 STREQUAL "-h,--help")
        Roff("${CMAKE_MATCH_1}" tag)
        Roff("${description}" description)
        string(APPEND roff "${heading}.TP\n\\fB${tag}\\fR\n${description}\n")
        set(heading "")
      endif()
    elseif(entry AND line MATCHES "^   +([^ ].*)$")
      Roff("${CMAKE_MATCH_1}" more)
      string(APPEND roff "${more}\n")
    else()
      Roff("${line}" text)
      string(APPEND roff "${text}\n.br\n")
    endif()
  endforeach()
  string(REPLACE "<semicolon>" ";" roff "${roff}")
  string(REPLACE "<open>" "[" roff "${roff}")
  string(REPLACE "<close>" "]" roff "${roff}")
  set(${out} "${roff}" PARENT_SCOPE)
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
    HelpAsRoff("${help}" roff)
    string(APPEND commands ".SS \"${name} ${title}\"\n${roff}")
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
    if(LANGUAGE STREQUAL "zh_CN")
      string(CONCAT lead "每个命令自己的选项（zotpx COMMAND \\-\\-help 的英文输出）；每个命令也接受上面的"
                         "全局选项，写在命令之前或之后均可：")
    else()
      string(CONCAT lead "Each command's own options (zotpx COMMAND \\-\\-help); every command takes the "
                         "global options above too, before or after it:")
    endif()
    # Option values are words to type: not hyphenated, lines not stretched to the margin.
    string(APPEND include "\n[COMMANDS]\n.nh\n.ad l\n${lead}\n${commands}")
  endif()
endif()
set(work "${OUTPUT}.work")
file(WRITE "${work}.h2m" "${include}")
set(name_option "--name=${SUMMARY}")
if(LANGUAGE STREQUAL "zh_CN")
  # help2man mangles other than ASCII in its arguments, not in its include file.
  set(name_option "")
  file(APPEND "${work}.h2m" "\n[NAME]\n${name} \\- ${SUMMARY}\n")
endif()
# help2man writes in its own locale, C unless told, and turns every other byte into "?". Its own
# Chinese needs a zh_CN locale, which a build machine seldom has: chinese-page.pl does the rest.
execute_process(
  COMMAND help2man --locale=C.UTF-8 --no-info --section=1 ${name_option}
          "--include=${work}.h2m" "--output=${work}" "${name}"
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "help2man could not make the page of ${name}")
endif()
if(LANGUAGE STREQUAL "zh_CN")
  get_filename_component(here "${CMAKE_CURRENT_LIST_FILE}" DIRECTORY)
  execute_process(COMMAND perl -CSD ${here}/man/chinese-page.pl "${work}"
                  OUTPUT_FILE "${work}.zh" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "chinese-page.pl could not make the Chinese page of ${name}")
  endif()
  file(RENAME "${work}.zh" "${work}")
endif()
file(RENAME "${work}" "${OUTPUT}")
file(REMOVE "${work}.h2m")
