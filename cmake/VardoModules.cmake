# Helpers that turn each subsystem folder into a static library.
#
# Sources are globbed so that adding a file needs no CMake edit. Platform
# files carry a suffix and are picked by the target:
#   *_win32.cpp            Windows builds only
#   *_posix.cpp            native builds only
#   *_headless.cpp         native builds only
#   *_raster.cpp           native builds only (software drawing back end)
# Files whose name starts with "main_" are program entries, kept out of the
# libraries. Files named for a dialog or box ("settingsdialog_win32.cpp",
# "inputbox_win32.cpp") sit on top of the station they edit and are gathered
# from every folder into one library of their own, vardo_dialogs.
set(VARDO_DIALOG_PATTERN "(dialog|box)[^/]*$")

function(vardo_platform_filter out)
  set(kept)
  foreach(f IN LISTS ARGN)
    get_filename_component(n "${f}" NAME_WE)
    if(WIN32)
      if(n MATCHES "_(posix|headless|raster)$")
        continue()
      endif()
    else()
      if(n MATCHES "_win32$")
        continue()
      endif()
    endif()
    list(APPEND kept "${f}")
  endforeach()
  set(${out} "${kept}" PARENT_SCOPE)
endfunction()

function(vardo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# Sanitizer flags for the native configurations; applied to every target of
# ours (and to GoogleTest, so that TSan sees all code).
if(NOT WIN32)
  if(VARDO_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
  elseif(VARDO_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
  endif()
endif()

if(WIN32)
  # Static run-time: the binaries run with no DLLs beside them.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 UNICODE _UNICODE)
endif()

find_package(Threads REQUIRED)
if(NOT WIN32)
  find_package(Freetype REQUIRED)
endif()

function(vardo_link_platform target name)
  if(WIN32)
    target_link_libraries(${target} PUBLIC dsound dxguid ws2_32 winmm gdi32 user32 comctl32 comdlg32 ole32 uuid)
  elseif(name STREQUAL "ui")
    target_link_libraries(${target} PUBLIC Freetype::Freetype)
  endif()
endfunction()

function(vardo_module name)
  cmake_parse_arguments(M "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${name}/*.cpp")
  vardo_platform_filter(srcs ${srcs})
  list(FILTER srcs EXCLUDE REGEX "/main_[^/]*$")
  list(FILTER srcs EXCLUDE REGEX "${VARDO_DIALOG_PATTERN}")
  if(NOT srcs)
    # An empty folder still yields a library so that dependants link.
    file(WRITE "${CMAKE_BINARY_DIR}/empty_${name}.cpp" "// empty module ${name}\n")
    set(srcs "${CMAKE_BINARY_DIR}/empty_${name}.cpp")
  endif()
  add_library(vardo_${name} STATIC ${srcs})
  vardo_warnings(vardo_${name})
  target_include_directories(vardo_${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(vardo_${name} PUBLIC Threads::Threads)
  foreach(d IN LISTS M_DEPS)
    target_link_libraries(vardo_${name} PUBLIC vardo_${d})
  endforeach()
  vardo_link_platform(vardo_${name} ${name})
endfunction()

function(vardo_dialogs)
  cmake_parse_arguments(M "" "" "DEPS" ${ARGN})
  set(all)
  foreach(dir morse app audio net hw settings training ui)
    file(GLOB srcs CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${dir}/*.cpp")
    list(FILTER srcs EXCLUDE REGEX "/main_[^/]*$")
    list(FILTER srcs INCLUDE REGEX "${VARDO_DIALOG_PATTERN}")
    list(APPEND all ${srcs})
  endforeach()
  vardo_platform_filter(all ${all})
  if(NOT all)
    file(WRITE "${CMAKE_BINARY_DIR}/empty_dialogs.cpp" "// no dialogs\n")
    set(all "${CMAKE_BINARY_DIR}/empty_dialogs.cpp")
  endif()
  add_library(vardo_dialogs STATIC ${all})
  vardo_warnings(vardo_dialogs)
  foreach(d IN LISTS M_DEPS)
    target_link_libraries(vardo_dialogs PUBLIC vardo_${d})
  endforeach()
  vardo_link_platform(vardo_dialogs dialogs)
endfunction()
