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

# An interlaced job: 720x720 on the sample's heads of 360 nozzle rows per inch puts the nozzles
# two lines apart. The print type is made 4 passes, which divide the head's 256 rows. Without
# masks every inked pixel gets one drop from each of the 4 passes over its line; with pass masks
# or column interleave exactly one, on the same pixels.
run(0 config set "TX Printer_LIST" PrintTypeParamList "0,1,0&0,3,0&1,3,0&2,2,0&3,1,0")
run(0 rip make ${WORK}/i.prn --width 200 --height 300 --planes 4 --xres 720 --yres 720 --pattern random)
function(channel_counts summary_file out_var)
  file(READ ${summary_file} summary)
  if(NOT summary MATCHES "\"y_resolution\": 720")
    message(FATAL_ERROR "the sheet is not 720 lines per inch:\n${summary}")
  endif()
  string(REGEX MATCHALL "\"drops\": [0-9]+, \"pixels_once\": [0-9]+, \"pixels_more\": [0-9]+"
    counts "${summary}")
  set(${out_var} "${counts}" PARENT_SCOPE)
endfunction()
run(0 print ${WORK}/i.prn --print-type 2 --mask-mode 0 --media-out ${WORK}/i0)
channel_counts(${WORK}/i0/summary.json unmasked)
set(inked "")
foreach(c IN LISTS unmasked)
  string(REGEX MATCH "\"drops\": ([0-9]+), \"pixels_once\": ([0-9]+), \"pixels_more\": ([0-9]+)" m "${c}")
  math(EXPR four "4 * ${CMAKE_MATCH_3}")
  if(NOT CMAKE_MATCH_2 EQUAL 0 OR NOT CMAKE_MATCH_1 EQUAL four OR CMAKE_MATCH_3 EQUAL 0)
    message(FATAL_ERROR "without masks an inked pixel does not get 4 drops: ${c}")
  endif()
  list(APPEND inked ${CMAKE_MATCH_3})
endforeach()
foreach(mode 1 2)
  run(0 print ${WORK}/i.prn --print-type 2 --mask-mode ${mode} --media-out ${WORK}/i${mode})
  expect_every_pixel_once(${WORK}/i${mode}/summary.json 4)
  channel_counts(${WORK}/i${mode}/summary.json masked)
  foreach(i RANGE 3)
    list(GET masked ${i} c)
    list(GET inked ${i} want)
    if(NOT c MATCHES "\"pixels_once\": ${want},")
      message(FATAL_ERROR "mask mode ${mode}: channel ${i} should print ${want} pixels once: ${c}")
    endif()
  endforeach()
endforeach()
