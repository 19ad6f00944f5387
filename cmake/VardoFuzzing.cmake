# Fuzz targets: every fuzz/<module>_<name>_fuzz.cpp is linked with
# vardo_<module>.
#  - With VARDO_FUZZ=ON (clang), each becomes a libFuzzer executable
#    fuzz_<module>_<name>; scripts/fuzz runs them for a bounded time.
#  - In the other native builds, each is linked with a replay driver and
#    registered as a test that runs the seed corpus fuzz/corpus/<target>/ and
#    the saved crashers fuzz/regressions/<target>/, so every crash found
#    stays a regression test.
option(VARDO_FUZZ "Build the libFuzzer targets (clang only)" OFF)

if(VARDO_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

function(vardo_fuzz_targets)
  if(WIN32)
    return()
  endif()
  file(GLOB targets CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/fuzz/*_fuzz.cpp")
  foreach(t IN LISTS targets)
    get_filename_component(n "${t}" NAME_WE)
    string(REGEX REPLACE "_fuzz$" "" name "${n}")
    string(REGEX REPLACE "_.*$" "" module "${name}")
    if(VARDO_FUZZ)
      add_executable(fuzz_${name} ${t})
      target_link_libraries(fuzz_${name} PRIVATE vardo_${module})
      target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
    else()
      add_executable(fuzzreplay_${name} ${t} ${CMAKE_SOURCE_DIR}/fuzz/replay_main.cpp)
      vardo_warnings(fuzzreplay_${name})
      target_link_libraries(fuzzreplay_${name} PRIVATE vardo_${module})
      file(MAKE_DIRECTORY ${VARDO_TEST_RUN_DIR}/fuzzreplay_${name})
      add_test(NAME fuzzreplay_${name}
               COMMAND fuzzreplay_${name} ${CMAKE_SOURCE_DIR}/fuzz/corpus/${name} ${CMAKE_SOURCE_DIR}/fuzz/regressions/${name}
               WORKING_DIRECTORY ${VARDO_TEST_RUN_DIR}/fuzzreplay_${name})
      set_tests_properties(fuzzreplay_${name} PROPERTIES LABELS "fuzz")
    endif()
  endforeach()
endfunction()
