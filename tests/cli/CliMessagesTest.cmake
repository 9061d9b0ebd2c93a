# What a user meets first: help, usage errors, exit codes, and every message in one language.
include(${CMAKE_CURRENT_LIST_DIR}/CliTestSetup.cmake)
get_filename_component(BIN_DIR ${CLI} DIRECTORY)

# Fails when the variable named var holds text.
function(expect_not_in var text)
  string(FIND "${${var}}" "${text}" pos)
  if(NOT pos EQUAL -1)
    message(FATAL_ERROR "did not expect \"${text}\" in:\n${${var}}")
  endif()
endfunction()

# The lines of text the tool itself says ("tavolux-cli: ..."), in out.
function(tool_lines text out)
  string(REGEX MATCHALL "tavolux-cli: [^\n]*" lines "${text}")
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()

# True (in out) when text has a byte whose hex form matches pattern at its start.
function(has_bytes text pattern out)
  string(HEX "${text}" hex)
  string(REGEX REPLACE "(..)" "\\1 " spaced "${hex}")
  if(" ${spaced}" MATCHES " ${pattern}")
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

# ---- help, --help, --version
run(0 --version)
if(NOT OUT MATCHES "^tavolux-cli [0-9]+\\.[0-9]+\\.[0-9]+\n$")
  message(FATAL_ERROR "--version: ${OUT}")
endif()
run(0 help)
set(TOOL_HELP "${OUT}")
foreach(command config monitor send log preview tasks rip passes print)
  expect_in(TOOL_HELP "  tavolux-cli ${command} ")
endforeach()
expect_in(TOOL_HELP "exit codes: 0 success, 1 the work failed, 2 a usage error")
run(0 --help)
if(NOT OUT STREQUAL TOOL_HELP)
  message(FATAL_ERROR "--help and help differ:\n${OUT}\n---\n${TOOL_HELP}")
endif()

# A command's help: its options; print and passes add the configured print types (index, name,
# resolution, passes) and the mask modes; "COMMAND --help" says the same as "help COMMAND".
foreach(command print passes)
  run(0 help ${command})
  set(HELP "${OUT}")
  expect_in(HELP "usage: tavolux-cli ${command} FILE")
  expect_in(HELP "--mask-mode M")
  expect_in(HELP "  0  720x360 2 pass  720x360 dpi, 2 passes\n")
  expect_in(HELP "  1  720x360 4 pass  720x360 dpi, 4 passes  (configured)\n")
  expect_in(HELP "  4  360x360 2 pass  360x360 dpi, 2 passes\n")
  expect_in(HELP "  2  column interleave")
  run(0 ${command} --help)
  if(NOT OUT STREQUAL HELP)
    message(FATAL_ERROR "${command} --help differs from help ${command}:\n${OUT}")
  endif()
endforeach()
# Another printer of the same file has its own print types.
run(0 config set SYSTEM Printer 1)
run(0 help print)
expect_in(OUT "  2  600x1200 6 pass  600x1200 dpi, 6 passes  (configured)\n")
run(0 config set SYSTEM Printer 0)

run(0 send --help)
expect_in(OUT "  3003  MoveUp\n")
expect_in(OUT "  5001  QueryUvLamp\n")
expect_in(OUT "  3064  (second head-value set")
expect_not_in(OUT "  3014 ")
run(0 help tasks)
expect_in(OUT "usage: tavolux-cli tasks list|save")
expect_not_in(OUT "print types")

# ---- usage errors: the wrong word, then that command's usage and no other
# Each case: the word the message names, the command whose usage follows, the words.
set(usage_cases
  "frob|tasks|tasks,frob"
  "--bogus|preview|preview,a.prn,--bogus,1"
  "--sekonds|monitor|monitor,--sekonds,1"
  "x|monitor|monitor,--seconds,x"
  "encode|log|log,encode,f"
  "frobnicate|config|config,frobnicate"
  "extra|config|config,get,SYSTEM,Printer,extra"
  "2|send|send,3003,1,2"
  "x|tasks|tasks,remove,x")
foreach(c IN LISTS usage_cases)
  string(REPLACE "|" ";" parts "${c}")
  list(GET parts 0 word)
  list(GET parts 1 command)
  list(GET parts 2 words)
  string(REPLACE "," ";" words "${words}")
  run(2 ${words})
  tool_lines("${ERR}" said)
  expect_in(said "“${word}”")
  expect_in(ERR "usage: tavolux-cli ${command} ")
  string(REGEX MATCHALL "usage: tavolux-cli [a-z]+" shown "${ERR}")
  list(REMOVE_DUPLICATES shown)
  if(NOT shown STREQUAL "usage: tavolux-cli ${command}")
    message(FATAL_ERROR "${words}: more than the command's usage:\n${ERR}")
  endif()
endforeach()
run(2 frob)
expect_in(ERR "“frob”")
run(2 help frob)
expect_in(ERR "“frob”")

# ---- exit codes: 0 success, 1 the work failed, 2 usage
set(exit_cases
  "0|--printer,virtual:instant,send,MoveUp"
  "1|--printer,virtual:instant,send,FeedMedia"
  "2|--printer,virtual:instant,send,999"
  "2|--printer,virtual:instant,send,3014,5"
  "2|--printer,virtual:instant,send,MoveSideways"
  "2|--printer,virtual:instant,send,3062,--data,zz"
  "2|--printer,virtual:instant,send,3062,--data,abc"
  "1|--printer,socket:${WORK}/nobody.sock,monitor,--seconds,1"
  "1|log,decode,${WORK}/missing.txt"
  "1|tasks,remove,9"
  "1|preview,${WORK}/missing.prn,--out,${WORK}/m.png"
  "2|--printer"
  "2|")
foreach(c IN LISTS exit_cases)
  string(REPLACE "|" ";" parts "${c}")
  list(GET parts 0 code)
  string(REGEX REPLACE "^[0-9]\\|" "" words "${c}")
  string(REPLACE "," ";" words "${words}")
  run(${code} ${words})
endforeach()
run(0 --printer virtual:instant send MoveUp)
if(NOT OUT STREQUAL "bytes: 83\nresult: 1\n")
  message(FATAL_ERROR "send MoveUp is not operation 3003:\n${OUT}")
endif()

# ---- one language at a time
# Failures of every command; in English nothing outside ASCII, in Chinese every message of the
# tool's own in Chinese and no English sentence in it.
set(failures
  "frob"
  "--printer"
  "help,frob"
  "tasks,frob"
  "tasks"
  "tasks,remove,9"
  "preview,${WORK}/missing.prn,--out,${WORK}/m.png"
  "preview,${WORK}/a.prn"
  "--printer,virtual:instant,send,999"
  "--printer,virtual:instant,send,3062,--data,zz"
  "--printer,virtual:instant,send,3062,--data,abc"
  "--printer,socket:${WORK}/nobody.sock,monitor,--seconds,1"
  "monitor,--seconds"
  "log,decode,${WORK}/missing.txt"
  "log"
  "config"
  "config,frob")
# Commands whose messages other code owns: checked in English only.
set(english_only
  "rip,info,${WORK}/missing.prn"
  "passes,${WORK}/missing.prn"
  "print,${WORK}/missing.prn,--copies,x")

foreach(c IN LISTS failures)
  string(REPLACE "," ";" c "${c}")
  execute_process(COMMAND ${CLI} --program-dir ${WORK} ${c}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  tool_lines("${err}" said)
  if(code EQUAL 0 OR said STREQUAL "")
    message(FATAL_ERROR "${c}: exit ${code} without a message\n${err}")
  endif()
  foreach(line IN LISTS said)
    has_bytes("${line}" "e[4-9]" chinese)
    if(NOT chinese OR line MATCHES "[A-Za-z]+ [A-Za-z]+ [A-Za-z]+")
      message(FATAL_ERROR "${c}: not a Chinese message: ${line}")
    endif()
  endforeach()
endforeach()

file(READ ${WORK}/tavolux.ini ini)
string(REPLACE "\nLanguage=0" "\nLanguage=1" ini "${ini}")
file(WRITE ${WORK}/tavolux.ini "${ini}")
file(COPY ${BIN_DIR}/TxResEng.lang DESTINATION ${WORK})
foreach(c IN LISTS failures english_only)
  string(REPLACE "," ";" c "${c}")
  execute_process(COMMAND ${CLI} --program-dir ${WORK} ${c}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  if(code EQUAL 0 OR err STREQUAL "")
    message(FATAL_ERROR "${c}: exit ${code} without a message\n${err}")
  endif()
  has_bytes("${out}${err}" "[89a-f]" foreign)
  if(foreign)
    message(FATAL_ERROR "${c}: not English:\n${out}${err}")
  endif()
endforeach()
run(0 tasks list)
expect_in(OUT "No.\tName\tState\tPlanes\tSize (mm)\tResolution (dpi)\t")

# Without the English file the rule keeps Chinese.
file(REMOVE ${WORK}/TxResEng.lang)
run(2 tasks frob)
expect_in(ERR "命令 tasks 不接受“frob”")
