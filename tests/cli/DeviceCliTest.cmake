# Drives tavolux-cli's printer commands against the in-process virtual printer and a socket
# where nobody listens, on a copy of the sample configuration.
include(${CMAKE_CURRENT_LIST_DIR}/CliTestSetup.cmake)

function(expect_output text)
  if(NOT OUT STREQUAL "${text}")
    message(FATAL_ERROR "expected:\n${text}\ngot:\n${OUT}")
  endif()
endfunction()

# Operations by number or name; one the printer does not know is refused before anything is
# sent.
run_cases(
  "0|--printer,virtual,send,3012,70000|=bytes: 91 70 11 01\nresult: 0\n"
  "0|--printer,virtual,send,3000|=bytes: 80\nresult: 1\n"
  "0|--printer,virtual,send,FeedMedia,70000|=bytes: 91 70 11 01\nresult: 0\n"
  "0|--printer,virtual,send,SetHeadValue1,40|=bytes: a8 28\nresult: 0\n"
  "0|--printer,virtual,send,3064,40|=bytes: a8 28\nresult: 0\n"
  "2|--printer,virtual,send,3014,5|="
  "1|--printer,virtual,send,3012|=bytes: -\nresult: -1\n"
  "0|--printer,virtual,send,3062,--data,0a 0b0c|=bytes: f0 0a 0b 0c\nresult: 4\n"
  "1|--printer,socket:${WORK}/nobody.sock,send,3008|=bytes: -\nresult: -1\n"
  "2|--printer,floppy,send,3008"
  "2|send")

file(WRITE ${WORK}/Command.txt
  "Command: 91 ,len: 4, buf[0]: 70. buf[1]:11, buf[2]:1 \n"
  "Data Command: 3c \n"
  "Received Command: buf[0]: c1. buf[1]:10, buf[2]:27 , buf[3]:0\n"
  "garbage\n")
run(0 log decode ${WORK}/Command.txt)
expect_output("command 91 FeedMedia [3012] argument 70000\nraster data starting with 3c\nreply c1 media edge 1 [status 4003] value 10000\n? garbage\n")

# No printer: print and monitor name the cause at once (no wait for a printer that is not
# there), in the configured language, and exit 1.
run(0 rip make ${WORK}/s.prn --width 64 --height 32 --planes 4 --xres 720 --yres 360)
# A socket left behind by a virtual printer that was killed: nobody listens on it.
execute_process(COMMAND sh -c "\"${VPRINTER}\" --socket '${WORK}/stale.sock' --program-dir '${WORK}' </dev/null >/dev/null 2>&1 & vp=$!
i=0; while [ ! -S '${WORK}/stale.sock' ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i+1)); done
kill -9 $vp; wait $vp; [ -S '${WORK}/stale.sock' ]" RESULT_VARIABLE code)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "no stale socket was left for the test")
endif()

# Each case: printer, command words (joined by ","), the text the error must hold in Chinese
# and in English (the English texts are checked once the tool follows an English setting).
set(no_printer_cases
  "usb|monitor|找不到供应商 ID 为 04b4、产品 ID 为 1004 的设备|No device found with vendor id 04b4 / product id 1004"
  "usb|print,${WORK}/s.prn|找不到供应商 ID 为 04b4、产品 ID 为 1004 的设备|No device found with vendor id 04b4 / product id 1004"
  "socket:${WORK}/none.sock|monitor|${WORK}/none.sock 处没有套接字|No socket at ${WORK}/none.sock"
  "socket:${WORK}/stale.sock|print,${WORK}/s.prn|套接字 ${WORK}/stale.sock 没有应答：连接被拒绝|Socket ${WORK}/stale.sock not answering: connection refused"
  "socket:${WORK}/stale.sock|monitor|连接被拒绝|connection refused")

function(expect_no_printer language)
  foreach(case IN LISTS no_printer_cases)
    string(REPLACE "|" ";" parts "${case}")
    list(GET parts 0 printer)
    list(GET parts 1 words)
    string(REPLACE "," ";" words "${words}")
    if(language STREQUAL "en")
      list(GET parts 3 text)
    else()
      list(GET parts 2 text)
    endif()
    string(TIMESTAMP start "%s")
    run(1 --printer ${printer} ${words})
    string(TIMESTAMP end "%s")
    math(EXPR took "${end} - ${start}")
    # The cause is known within a second or two; a generous bound for a loaded machine.
    if(took GREATER 8)
      message(FATAL_ERROR "--printer ${printer} ${words}: took ${took} s")
    endif()
    expect_in(ERR "${text}")
    if(ERR MATCHES "功能无效" OR ERR MATCHES "printer not opened|打印机没有打开")
      message(FATAL_ERROR "--printer ${printer} ${words}: not the cause:\n${ERR}")
    endif()
  endforeach()
endfunction()

expect_no_printer(zh)

# Monitor on the virtual printer program, in English: the readings as they change, and the keys
# pressed on the printer's panel as state lines. The control lines wait for what they follow.
file(READ ${WORK}/tavolux.ini ini)
string(REPLACE "\nLanguage=0" "\nLanguage=1" ini "${ini}")
file(WRITE ${WORK}/tavolux.ini "${ini}")
get_filename_component(BIN_DIR ${CLI} DIRECTORY)
file(COPY ${BIN_DIR}/TxResEng.lang DESTINATION ${WORK})
execute_process(COMMAND sh -c "cd '${WORK}' && rm -f ctl vp.sock mon.out && mkfifo ctl
\"${VPRINTER}\" --socket vp.sock --instant <ctl >vp.log 2>&1 & vp=$!
exec 3>ctl
i=0; while [ ! -S vp.sock ] && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done
\"${CLI}\" --program-dir . --printer socket:vp.sock monitor --seconds 60 >mon.out 2>mon.err & m=$!
await() { i=0; while ! grep -q \"$1\" mon.out && [ $i -lt 300 ]; do sleep 0.1; i=$((i+1)); done; }
# The first reading may come before the ready download has set the heads' targets.
await 'head temperatures: 40 40 40 40 '
await 'front beam state: '
echo 'key pause' >&3
await 'state: pause pressed on the printer'
echo 'reply 71 07' >&3
await 'UV lamp state: 7'
kill $m; wait $m; rc=$?
exec 3>&-; kill $vp; wait $vp; exit $rc"
  RESULT_VARIABLE code TIMEOUT 120)
file(READ ${WORK}/mon.out OUT)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "monitor on the virtual printer program: exit ${code}\n${OUT}")
endif()
expect_line("state 2: Ready")
expect_line("reply: c0")
expect_line("head temperatures: 40 40 40 40 25 25 25 25 25 25 25 25")
expect_line("UV lamp state: 0")
expect_line("front beam state: 254")
expect_line("state: pause pressed on the printer's panel")
expect_line("UV lamp state: 7")
# A reading is printed when it changes, not at every query.
string(REGEX MATCHALL "head temperatures: 40 40 40 40 25" times "${OUT}")
list(LENGTH times n)
if(NOT n EQUAL 1)
  message(FATAL_ERROR "unchanged head temperatures printed ${n} times:\n${OUT}")
endif()

# The same causes in English, now that the program folder chooses English.
expect_no_printer(en)
