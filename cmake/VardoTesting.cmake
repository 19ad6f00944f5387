# Unit tests and benchmarks.
#
# Every tests/<folder>/*_test.cpp becomes one GoogleTest executable
# "<folder>_<name>" linked with vardo_<folder> (and vardo_dialogs when the file
# is named for a dialog or box). Other .cpp files in the same test folder are
# shared support compiled into each of that folder's executables. The platform
# suffixes of the source folders apply here too.
#
# Each test runs in a scratch working directory of its own, because the
# settings store reads and writes ./vardo.ini. Cross builds run the tests
# through CMAKE_CROSSCOMPILING_EMULATOR (Wine), so one ctest call covers both.
#
# Every bench/<folder>/*_bench.cpp becomes an executable that prints figures;
# benchmarks are never registered as tests.

if(WIN32)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(VARDO_GTEST gtest)
  set(VARDO_GTEST_MAIN gtest_main)
else()
  find_package(GTest REQUIRED)
  set(VARDO_GTEST GTest::gtest)
  set(VARDO_GTEST_MAIN GTest::gtest_main)
endif()

# Windows programs under Wine see the Linux root as drive Z:.
if(WIN32)
  set(VARDO_HOST_PREFIX "Z:")
else()
  set(VARDO_HOST_PREFIX "")
endif()
set(VARDO_TEST_RUN_DIR ${CMAKE_BINARY_DIR}/testrun)
set(VARDO_TEST_XML_DIR ${CMAKE_BINARY_DIR}/testxml)
file(MAKE_DIRECTORY ${VARDO_TEST_XML_DIR})

function(vardo_tests)
  foreach(dir morse app audio receiver net hw settings training ui)
    file(GLOB all CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/tests/${dir}/*.cpp")
    vardo_platform_filter(all ${all})
    set(tests ${all})
    list(FILTER tests INCLUDE REGEX "_test\\.cpp$|_test_(win32|posix|headless|raster)\\.cpp$")
    set(support ${all})
    list(FILTER support EXCLUDE REGEX "_test\\.cpp$|_test_(win32|posix|headless|raster)\\.cpp$")
    foreach(t IN LISTS tests)
      get_filename_component(n "${t}" NAME_WE)
      set(exe "${dir}_${n}")
      add_executable(${exe} ${t} ${support})
      vardo_warnings(${exe})
      target_compile_definitions(${exe} PRIVATE VARDO_SOURCE_DIR="${VARDO_HOST_PREFIX}${CMAKE_SOURCE_DIR}")
      target_link_libraries(${exe} PRIVATE vardo_${dir} ${VARDO_GTEST_MAIN} ${VARDO_GTEST})
      if(n MATCHES "(dialog|box)")
        target_link_libraries(${exe} PRIVATE vardo_dialogs)
      endif()
      if(WIN32)
        # Resource-backed tests (dialogs, menus) need the program's resources.
        target_link_libraries(${exe} PRIVATE vardo_resources)
      endif()
      file(MAKE_DIRECTORY ${VARDO_TEST_RUN_DIR}/${exe})
      add_test(NAME ${exe}
               COMMAND ${exe} --gtest_output=xml:${VARDO_HOST_PREFIX}${VARDO_TEST_XML_DIR}/${exe}.xml
               WORKING_DIRECTORY ${VARDO_TEST_RUN_DIR}/${exe})
      set_tests_properties(${exe} PROPERTIES TIMEOUT 600 LABELS "${dir}")
      if(dir STREQUAL "receiver")
        # The receiver tests decode minutes of generated audio; under
        # ThreadSanitizer on a busy two-core host that alone takes close to
        # ten minutes.
        set_tests_properties(${exe} PROPERTIES TIMEOUT 1800)
      endif()
      set(locks "")
      if(dir STREQUAL "audio" OR dir STREQUAL "app" OR dir STREQUAL "receiver")
        # One sound server and one null sink: tests that play or record
        # sound must not overlap.
        list(APPEND locks sound)
      endif()
      if(n MATCHES "serial")
        # One COM port linked to a pseudo-terminal, opened for exclusive use.
        list(APPEND locks serialport)
      endif()
      if(locks)
        set_tests_properties(${exe} PROPERTIES RESOURCE_LOCK "${locks}")
      endif()
    endforeach()
  endforeach()
endfunction()

function(vardo_benchmarks)
  foreach(dir morse app audio receiver net hw settings training ui)
    file(GLOB all CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/bench/${dir}/*_bench*.cpp")
    vardo_platform_filter(all ${all})
    foreach(b IN LISTS all)
      get_filename_component(n "${b}" NAME_WE)
      set(exe "bench_${dir}_${n}")
      add_executable(${exe} ${b})
      vardo_warnings(${exe})
      target_compile_definitions(${exe} PRIVATE VARDO_SOURCE_DIR="${VARDO_HOST_PREFIX}${CMAKE_SOURCE_DIR}")
      target_link_libraries(${exe} PRIVATE vardo_${dir})
    endforeach()
  endforeach()
endfunction()

# End-to-end tests drive the real vardo.exe under Wine with Xvfb and a
# PulseAudio null sink, through the build's own Wine runner. Both Windows
# builds register them, labelled "e2e": the test command runs them against
# the build this host can execute (the i686 product where 32-bit code runs).
# Each tests/e2e/*_e2e.py is one CTest test run by the host's Python (not
# through the emulator).
function(vardo_e2e_tests)
  if(NOT WIN32)
    return()
  endif()
  file(GLOB scripts CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/tests/e2e/*_e2e.py")
  foreach(s IN LISTS scripts)
    get_filename_component(n "${s}" NAME_WE)
    file(MAKE_DIRECTORY ${VARDO_TEST_RUN_DIR}/e2e_${n})
    add_test(NAME e2e_${n}
             COMMAND python3 ${s} --exe $<TARGET_FILE:vardo> --workdir ${VARDO_TEST_RUN_DIR}/e2e_${n}
                     --junit ${VARDO_TEST_XML_DIR}/e2e_${n}.xml --wine ${CMAKE_CROSSCOMPILING_EMULATOR}
             WORKING_DIRECTORY ${VARDO_TEST_RUN_DIR}/e2e_${n})
    set_tests_properties(e2e_${n} PROPERTIES TIMEOUT 900 LABELS "e2e" RUN_SERIAL TRUE)
  endforeach()
endfunction()
