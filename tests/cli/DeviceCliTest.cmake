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
run(0 --printer virtual send 3014 5)
expect_output("bytes: -\nresult: 0\n")
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
