# Prints onto the virtual printer's sheet: in process with --media-out, and through the
# virtual printer program's socket with its own --media-out.
set(CLI_OPTIONS --printer virtual:instant)
include(${CMAKE_CURRENT_LIST_DIR}/CliTestSetup.cmake)

# Every channel of the summary: some pixels with one drop, none with more.
function(expect_every_pixel_once summary_file channels)
  file(READ ${summary_file} summary)
  string(REGEX MATCHALL "\"pixels_once\": [0-9]+, \"pixels_more\": [0-9]+" counts "${summary}")
  list(LENGTH counts n)
  if(NOT n EQUAL channels)
    message(FATAL_ERROR "expected ${channels} channels in:\n${summary}")
  endif()
  foreach(c IN LISTS counts)
    if(c MATCHES "\"pixels_once\": 0," OR NOT c MATCHES "\"pixels_more\": 0$")
      message(FATAL_ERROR "a channel is not printed exactly once: ${c}\n${summary}")
    endif()
  endforeach()
endfunction()

run(0 rip make ${WORK}/s.prn --width 160 --height 96 --planes 4 --xres 720 --yres 360 --pattern sample)
run(0 print ${WORK}/s.prn --media-out ${WORK}/sheet)
expect_in(OUT "printed sheet: ${WORK}/sheet/sheet.png")
foreach(f channel_0.pbm channel_1.pbm channel_2.pbm channel_3.pbm sheet.png summary.json)
  if(NOT EXISTS ${WORK}/sheet/${f})
    message(FATAL_ERROR "${f} was not written")
  endif()
endforeach()
expect_every_pixel_once(${WORK}/sheet/summary.json 4)
file(READ ${WORK}/sheet/channel_0.pbm pbm LIMIT 12)
if(NOT pbm MATCHES "^P4\n160 ")
  message(FATAL_ERROR "channel_0.pbm does not start as a 160 pixel wide P4 bitmap: ${pbm}")
endif()

# Only a virtual printer has a sheet.
execute_process(COMMAND ${CLI} --program-dir ${WORK} --printer socket:${WORK}/none.sock
  print ${WORK}/s.prn --media-out ${WORK}/x
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
if(NOT code EQUAL 2)
  message(FATAL_ERROR "--media-out on a socket printer: exit ${code}\n${out}\n${err}")
endif()
expect_in(err "--media-out needs --printer virtual")

# The virtual printer program writes its own sheet when the printing program lets go.
execute_process(COMMAND sh -c "\"${VPRINTER}\" --socket '${WORK}/vp.sock' --instant --media-out '${WORK}/vsheet' --program-dir '${WORK}' >'${WORK}/vp.log' 2>&1 & vp=$!
i=0; while [ ! -S '${WORK}/vp.sock' ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i+1)); done
\"${CLI}\" --program-dir '${WORK}' --printer 'socket:${WORK}/vp.sock' print '${WORK}/s.prn'; rc=$?
i=0; while [ ! -f '${WORK}/vsheet/summary.json' ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i+1)); done
kill $vp; wait $vp; exit $rc"
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 120)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "printing through the virtual printer program: exit ${code}\n${out}\n${err}")
endif()
expect_every_pixel_once(${WORK}/vsheet/summary.json 4)

# Without a configuration the program refuses --media-out and says why.
execute_process(COMMAND ${VPRINTER} --socket ${WORK}/vp2.sock --media-out ${WORK}/y
  --program-dir ${WORK}/nowhere
  RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
if(NOT code EQUAL 1)
  message(FATAL_ERROR "--media-out without tavolux.ini: exit ${code}\n${out}\n${err}")
endif()
expect_in(err "no configuration file")
