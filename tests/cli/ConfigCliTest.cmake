# Drives tavolux-cli's config commands on a copy of the sample configuration.
include(${CMAKE_CURRENT_LIST_DIR}/CliTestSetup.cmake)

# The dump is every field as "name = value" after TestDir, then the load's result: for each
# printer type what the last version printed (recorded under tests/data/config).
function(expect_dump printer)
  run(0 config dump)
  string(REGEX REPLACE "^TestDir = [^\n]*\n" "" rest "${OUT}")
  file(READ ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../data/config/dump${printer}.txt want)
  if(NOT rest STREQUAL want OR rest STREQUAL OUT)
    message(FATAL_ERROR "config dump of printer ${printer}:\n${OUT}\n--- expected after TestDir:\n${want}")
  endif()
endfunction()
expect_dump(0)
run_cases("0|config,save|SaveConfig = true" "0|config,save-printer-type|SavePrinterType = true")
expect_dump(0)
run_cases("0|config,set,SYSTEM,Printer,1" "0|config,get,system,printer|=1\n")
expect_dump(1)

# A save after a load that failed changes no byte, names the key and value, and fails.
run(0 config set "TX6 Printer" Resolution 99)
file(READ ${WORK}/tavolux.ini before_refused)
foreach(verb save save-printer-type)
  run(1 config ${verb})
  expect_in(ERR "Resolution = 99")
  expect_in(ERR "配置没有装载成功")
  file(READ ${WORK}/tavolux.ini after_refused)
  if(NOT after_refused STREQUAL before_refused)
    message(FATAL_ERROR "config ${verb} after a failed load changed the file")
  endif()
endforeach()
run(0 config set "TX6 Printer" Resolution 0)

# Writers at the same time: two sets of different keys and a whole save, many rounds; every
# value set must be there afterwards.
foreach(round RANGE 1 20)
  # The commands run at once as one pipeline; each writes to /dev/null, so none is cut off
  # by a neighbour that ends first.
  execute_process(
    COMMAND sh -c "exec \"$0\" --program-dir \"$1\" config set SYSTEM RoundA ${round} > /dev/null" ${CLI} ${WORK}
    COMMAND sh -c "exec \"$0\" --program-dir \"$1\" config set SYSTEM RoundB ${round} > /dev/null" ${CLI} ${WORK}
    COMMAND sh -c "exec \"$0\" --program-dir \"$1\" config save > /dev/null" ${CLI} ${WORK}
    RESULTS_VARIABLE codes OUTPUT_QUIET ERROR_VARIABLE err TIMEOUT 120)
  if(NOT codes STREQUAL "0;0;0")
    message(FATAL_ERROR "round ${round}: exit codes ${codes}\n${err}")
  endif()
  foreach(key RoundA RoundB)
    run(0 config get SYSTEM ${key})
    if(NOT OUT STREQUAL "${round}\n")
      message(FATAL_ERROR "round ${round}: ${key} lost its value, reads ${OUT}")
    endif()
  endforeach()
endforeach()

# A lock that another program holds too long: the set fails with the message, nothing changes.
file(WRITE ${WORK}/hold.sh "exec 9>\"$1\"; flock 9; echo locked; exec sleep 30")
execute_process(COMMAND sh -c "sh ${WORK}/hold.sh ${WORK}/tavolux.ini.lock > ${WORK}/held 2>&1 < /dev/null & echo $!"
  OUTPUT_VARIABLE holder OUTPUT_STRIP_TRAILING_WHITESPACE)
foreach(i RANGE 1 100)
  if(EXISTS ${WORK}/held)
    file(READ ${WORK}/held held)
    if(held MATCHES "locked")
      break()
    endif()
  endif()
  execute_process(COMMAND sleep 0.05)
endforeach()
file(READ ${WORK}/tavolux.ini before_busy)
run(1 config set SYSTEM RoundA busy)
execute_process(COMMAND kill ${holder})
expect_in(ERR "另一个程序正在写入该文件")
file(READ ${WORK}/tavolux.ini after_busy)
if(NOT after_busy STREQUAL before_busy)
  message(FATAL_ERROR "a set that did not get the lock changed the file")
endif()

# config set: a key this version reads refuses a value outside its field, naming the range, and
# leaves the file as it was; any other key is written with a note. Rows: exit code, section,
# key, value, text expected on the error stream ("-": none).
foreach(row "2|TX Printer|FeatherMode|3|0 到 2" "2|TX Printer|MediaPly|-1|MediaPly = -1"
    "2|SYSTEM|IsDebug|yes|0 到 1" "2|TX Printer|MmPerPulseX|fast|只接受数字"
    "0|TX Printer|FeatherMode|2|-" "0|SYSTEM|KeyOfALaterVersion|7|不是本版本读取的键")
  string(REPLACE "|" ";" f "${row}")
  list(GET f 0 code)
  list(GET f 1 section)
  list(GET f 2 key)
  list(GET f 3 value)
  list(GET f 4 text)
  file(READ ${WORK}/tavolux.ini before_set)
  run(${code} config set "${section}" ${key} ${value})
  if(NOT text STREQUAL "-")
    expect_in(ERR "${text}")
  endif()
  run(0 config get "${section}" ${key})
  file(READ ${WORK}/tavolux.ini after_set)
  if(code EQUAL 0 AND NOT OUT STREQUAL "${value}\n")
    message(FATAL_ERROR "config set ${key} ${value} did not store it: ${OUT}")
  elseif(NOT code EQUAL 0 AND NOT after_set STREQUAL before_set)
    message(FATAL_ERROR "a refused config set ${key} ${value} changed the file")
  endif()
endforeach()

run(1 config get SYSTEM NoSuchKey)
run(2 config frobnicate)
run(2 config set SYSTEM)
run(2 nonsense)

# A missing configuration: the specified message, and a failure for every command that needs it.
file(REMOVE ${WORK}/tavolux.ini)
foreach(words "config;dump" "config;get;SYSTEM;Printer" "config;set;SYSTEM;Printer;1" "config;save")
  run(1 ${words})
  expect_in(ERR "打开配置文件错误！")
  if(EXISTS ${WORK}/tavolux.ini)
    message(FATAL_ERROR "${words} created a configuration")
  endif()
endforeach()
