# Installs the build tree into a scratch prefix and checks that every file the programs, the
# desktop and udev need lands where they look for it, and that the manual's pages link only to
# files that were installed with them.
# Inputs: BUILD (the build tree), WORK (a scratch folder).
cmake_policy(VERSION 3.25)
file(REMOVE_RECURSE ${WORK})
set(prefix ${WORK}/prefix)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${rc}):\n${out}\n${err}")
endif()

set(failures "")
macro(expect_file rel)
  if(NOT EXISTS ${prefix}/${rel} OR IS_DIRECTORY ${prefix}/${rel})
    string(APPEND failures "missing: ${rel}\n")
  endif()
endmacro()

foreach(program tavolux tavolux-cli tavolux-vprinter)
  expect_file(bin/${program})
endforeach()
# The glyph files of the test charts lie beside the programs, where they read them.
expect_file(share/tavolux/DiGi.bin)
expect_file(share/tavolux/ZiMo.bin)
foreach(rel
    share/tavolux/tavolux.ini
    share/tavolux/TxResEng.lang
    share/tavolux/manual/style.css
    share/tavolux/manual/zh/index.html
    share/tavolux/manual/en/index.html
    lib/udev/rules.d/70-tavolux.rules
    share/applications/tavolux.desktop
    share/icons/hicolor/scalable/apps/tavolux.svg)
  expect_file(${rel})
endforeach()

# The manual the build copies beside the programs: the help command opens it from there.
foreach(lang zh en)
  if(NOT EXISTS ${BUILD}/bin/manual/${lang}/index.html)
    string(APPEND failures "the build tree lacks bin/manual/${lang}/index.html\n")
  endif()
endforeach()

# An installed program runs (it is linked against what the system has, not the build tree).
if(EXISTS ${prefix}/bin/tavolux-cli)
  execute_process(COMMAND ${prefix}/bin/tavolux-cli --version RESULT_VARIABLE rc
                  OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT out MATCHES "[0-9]+\\.[0-9]+")
    string(APPEND failures "installed tavolux-cli --version: exit ${rc}: ${out}${err}\n")
  endif()
endif()

# An installed program cannot write beside itself: with no tavolux.ini in bin/, its program
# folder is the user's own, made on the first start with a copy of the installed configuration,
# while the English strings are read from share/tavolux.
set(home ${WORK}/home)
file(MAKE_DIRECTORY ${home})
if(EXISTS ${prefix}/bin/tavolux-cli)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=XDG_CONFIG_HOME HOME=${home}
                    ${prefix}/bin/tavolux-cli config dump
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT out MATCHES "PrinterList = ")
    string(APPEND failures "installed tavolux-cli config dump with HOME=${home}: exit ${rc}: ${out}${err}\n")
  endif()
  if(NOT EXISTS ${home}/.config/tavolux/tavolux.ini)
    string(APPEND failures "the first start made no ${home}/.config/tavolux/tavolux.ini\n")
  endif()
  # A chart needs the glyph files, which the installed program finds in share/tavolux.
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=XDG_CONFIG_HOME HOME=${home}
                    ${prefix}/bin/tavolux-cli --printer virtual:instant chart nozzle-check
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    string(APPEND failures "installed tavolux-cli chart nozzle-check: exit ${rc}: ${out}${err}\n")
  endif()
  if(EXISTS ${prefix}/bin/tavolux.ini OR EXISTS ${prefix}/bin/Works)
    string(APPEND failures "the installed program wrote beside itself in ${prefix}/bin\n")
  endif()
  # The user's configuration chooses English: the installed English table is found.
  if(EXISTS ${home}/.config/tavolux/tavolux.ini)
    file(READ ${home}/.config/tavolux/tavolux.ini ini)
    string(REGEX REPLACE "\nLanguage=0" "\nLanguage=1" ini "${ini}")
    file(WRITE ${home}/.config/tavolux/tavolux.ini "${ini}")
    execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=XDG_CONFIG_HOME HOME=${home}
                      ${prefix}/bin/tavolux-cli no-such-command
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(rc EQUAL 0 OR NOT err MATCHES "no-such-command" OR err MATCHES "[^ -~\n\t]")
      string(APPEND failures "installed tavolux-cli in English: exit ${rc}: ${err}\n")
    endif()
  endif()
endif()

# The desktop entry names an installed program and an installed icon, in both languages.
set(desktop ${prefix}/share/applications/tavolux.desktop)
if(EXISTS ${desktop})
  file(READ ${desktop} entry)
  foreach(key "Name=Tavolux\n" "Exec=tavolux\n" "Icon=tavolux\n" "Type=Application\n")
    if(NOT "\n${entry}" MATCHES "\n${key}")
      string(APPEND failures "tavolux.desktop has no line ${key}")
    endif()
  endforeach()
  # The Chinese name is written in Chinese, not a copy of the English one.
  if(NOT "\n${entry}" MATCHES "\nName\\[zh_CN\\]=([^\n]*)" OR NOT CMAKE_MATCH_1 MATCHES "[^ -~]")
    string(APPEND failures "tavolux.desktop has no Chinese Name[zh_CN]\n")
  endif()
endif()

# Every relative link of an installed page leads to an installed file.
file(GLOB_RECURSE pages ${prefix}/share/tavolux/manual/*.html)
if(NOT pages)
  string(APPEND failures "no manual pages installed\n")
endif()
foreach(page IN LISTS pages)
  get_filename_component(dir ${page} DIRECTORY)
  file(READ ${page} html)
  if(NOT html MATCHES "<meta charset=\"utf-8\">")
    string(APPEND failures "${page}: not declared UTF-8\n")
  endif()
  string(REGEX MATCHALL "(href|src)=\"[^\"#:]+" links "${html}")
  foreach(link IN LISTS links)
    string(REGEX REPLACE "^(href|src)=\"" "" target "${link}")
    if(NOT EXISTS ${dir}/${target})
      string(APPEND failures "${page}: broken link ${target}\n")
    endif()
  endforeach()
endforeach()

# The Chinese manual names the menus as the program shows them.
if(EXISTS ${prefix}/share/tavolux/manual/zh/index.html)
  file(READ ${prefix}/share/tavolux/manual/zh/index.html zh)
  foreach(menu 文件 查看 打印 测试 清洗 系统)
    string(FIND "${zh}" "<b>${menu}</b>" at)
    if(at EQUAL -1)
      string(APPEND failures "the Chinese manual does not name the menu ${menu}\n")
    endif()
  endforeach()
endif()

if(failures)
  message(FATAL_ERROR "install check failed:\n${failures}")
endif()
