# Warning flags shared by every target of the project.
function(tavolux_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /utf-8)
    if(TAVOLUX_WERROR)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
      -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual -Wformat=2)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      # GCC 12 reports std::string concatenation at -O2/-O3 as overlapping copies (a known
      # false positive of -Wrestrict); it would fail every optimised build.
      target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    if(TAVOLUX_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()

# A core library: warnings, the src folder on the include path, threads.
function(tavolux_library name)
  add_library(${name} STATIC ${ARGN})
  tavolux_warnings(${name})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC Threads::Threads)
endfunction()
