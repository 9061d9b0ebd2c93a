# Drives tavolux-cli's printer commands against the in-process virtual printer and a socket
# where nobody listens, on a copy of the sample configuration.
include(${CMAKE_CURRENT_LIST_DIR}/CliTestSetup.cmake)

function(expect_output text)
  if(NOT OUT STREQUAL "${text}")
    message(FATAL_ERROR "expected:\n${text}\ngot:\n${OUT}")
  endif()
endfunction()

run(0 --printer virtual send 3012 70000)
expect_output("bytes: 91 70 11 01\nresult: 0\n")
run(0 --printer virtual send 3000)
expect_output("bytes: 80\nresult: 1\n")
run(0 --printer virtual send FeedMedia 70000)
expect_output("bytes: 91 70 11 01\nresult: 0\n")
run(0 --printer virtual send SetHeadValue1 40)
expect_output("bytes: a8 28\nresult: 0\n")
run(0 --printer virtual send 3064 40)
expect_output("bytes: a8 28\nresult: 0\n")
# An operation the printer does not know is refused before anything is sent.
run(2 --printer virtual send 3014 5)
expect_output("")

run(1 --printer virtual send 3012)
expect_output("bytes: -\nresult: -1\n")
run(0 --printer virtual send 3062 --data "0a 0b0c")
expect_output("bytes: f0 0a 0b 0c\nresult: 4\n")
run(1 --printer socket:${WORK}/nobody.sock send 3008)
expect_output("bytes: -\nresult: -1\n")
run(2 --printer floppy send 3008)
run(2 send)

file(WRITE ${WORK}/Command.txt
  "Command: 91 ,len: 4, buf[0]: 70. buf[1]:11, buf[2]:1 \n"
  "Data Command: 3c \n"
  "Received Command: buf[0]: c1. buf[1]:10, buf[2]:27 , buf[3]:0\n"
  "garbage\n")
run(0 log decode ${WORK}/Command.txt)
expect_output("command 91 FeedMedia [3012] argument 70000\nraster data starting with 3c\nreply c1 media edge 1 [status 4003] value 10000\n? garbage\n")

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
await 'head temperatures: '
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
