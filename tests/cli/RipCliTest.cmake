# Drives tavolux-cli's rip and passes commands on a copy of the sample configuration.
include(${CMAKE_CURRENT_LIST_DIR}/CliTestSetup.cmake)

run(0 rip make ${WORK}/a.prn --width 100 --height 40 --planes 4 --xres 720 --yres 600 --pattern random --seed 3)
execute_process(COMMAND head -c 1000 ${WORK}/a.prn OUTPUT_FILE ${WORK}/part.prn)
execute_process(COMMAND sh -c "printf '\\000\\000\\000\\000\\320\\002\\000\\000\\000\\224\\065\\167' > '${WORK}/yres.prn'; head -c 36 /dev/zero >> '${WORK}/yres.prn'")
# Header fields beyond what a printer can use are refused with the field, value and range.
run_cases(
  "0|rip,info,${WORK}/a.prn|BytesPerPlaneLine = 13\n,PlaneCount = 4\n,FileLength = 2128\n,Complete = yes\n,MissingLines = 0\n"
  "0|rip,info,${WORK}/part.prn|Complete = no\n,MissingLines = 22\n"
  "2|rip,make,${WORK}/bad.prn,--width,8,--height,4,--planes,4,--xres,2881,--yres,600"
  "2|rip,make,${WORK}/bad.prn,--width,141737,--height,4,--planes,4,--xres,720,--yres,600"
  "0|rip,make,${WORK}/widest.prn,--width,141736,--height,1,--planes,1,--xres,720,--yres,600"
  "1|rip,info,${WORK}/yres.prn|YResolution,2000000000,2880"
  "1|passes,${WORK}/yres.prn|YResolution"
  "2|rip,make,${WORK}/bad.prn,--width,0,--height,4,--planes,4,--xres,720,--yres,600"
  "2|rip,make,${WORK}/bad.prn,--width,8,--height,4,--planes,4,--xres,720,--yres,600,--pattern,plaid"
  "1|rip,info,${WORK}/missing.prn"
  "2|passes,${WORK}/a.prn,--mask-mode,7"
  "1|passes,${WORK}/a.prn,--passes,100000")
file(WRITE ${WORK}/tiny.prn "header too short")
run(1 rip info ${WORK}/tiny.prn)
string(FIND "${OUT}" "error = 3" pos)
if(pos EQUAL -1)
  message(FATAL_ERROR "a 16-byte file is a header error:\n${OUT}")
endif()

run(0 passes ${WORK}/a.prn --passes 2 --mask-mode 1 --dump ${WORK}/dump)
string(REGEX MATCHALL "pass [0-9]+ step [0-9]+ rows [0-9]+ skipped [01] words( -?[0-9]+)+\n" lines "${OUT}")
list(LENGTH lines count)
string(REGEX MATCH "total ([0-9]+)\n$" total "${OUT}")
if(NOT total OR NOT CMAKE_MATCH_1 EQUAL count OR count LESS 2)
  message(FATAL_ERROR "one line per pass and the total last:\n${OUT}")
endif()
math(EXPR last "${count} - 1")
foreach(i 0 ${last})
  string(LENGTH "000${i}" len)
  math(EXPR start "${len} - 4")
  string(SUBSTRING "000${i}" ${start} 4 padded)
  if(NOT EXISTS ${WORK}/dump/pass_${padded}.bin)
    message(FATAL_ERROR "missing pass_${padded}.bin")
  endif()
endforeach()
file(STRINGS ${WORK}/dump/passes.csv csv)
list(LENGTH csv rows)
math(EXPR expected "${count} + 1")
if(NOT rows EQUAL expected)
  message(FATAL_ERROR "passes.csv holds a header and one row per pass, got ${rows} rows")
endif()

