# Build helpers shared by every folder: test registration for both builds.

if(WIN32)
  # Fully static: nothing but system DLLs may be needed beside Tobrix.exe.
  set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS} -static -static-libgcc -static-libstdc++")
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # The Wine environment every win test runs in; DISPLAY comes from the caller.
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(TOBRIX_WINEARCH win64)
  else()
    set(TOBRIX_WINEARCH win32)
  endif()
  set(TOBRIX_WINE_ENV
    "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix"
    "WINEARCH=${TOBRIX_WINEARCH}"
    "WINEDEBUG=-all"
    "WINEDLLOVERRIDES=mscoree,mshtml="
    "LANG=zh_CN.UTF-8"
    "LC_ALL=zh_CN.UTF-8")
else()
  find_package(GTest REQUIRED)
endif()

set(TOBRIX_ASAN_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
set(TOBRIX_TSAN_FLAGS -fsanitize=thread -fno-omit-frame-pointer)

# Host code is built with AddressSanitizer and UndefinedBehaviorSanitizer throughout.
function(tobrix_sanitize target)
  if(NOT WIN32)
    target_compile_options(${target} PRIVATE ${TOBRIX_ASAN_FLAGS})
    target_link_options(${target} PUBLIC ${TOBRIX_ASAN_FLAGS})
  endif()
endfunction()

# tobrix_test(NAME n SOURCES ... [LIBS ...] [TIMEOUT s] [TSAN] [OWN_MAIN])
# One executable is one ctest test: under Wine a process start costs a second,
# so a test binary holds many cases. TSAN builds it with ThreadSanitizer instead.
function(tobrix_test)
  cmake_parse_arguments(T "TSAN;OWN_MAIN" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR})
  if(WIN32)
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} gmock gtest)
    if(NOT T_OWN_MAIN)
      target_link_libraries(${T_NAME} PRIVATE gtest_main)
    endif()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT}
      ENVIRONMENT "${TOBRIX_WINE_ENV}" LABELS win)
  else()
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest)
    if(NOT T_OWN_MAIN)
      target_link_libraries(${T_NAME} PRIVATE GTest::gtest_main)
    endif()
    if(T_TSAN)
      target_compile_options(${T_NAME} PRIVATE ${TOBRIX_TSAN_FLAGS})
      target_link_options(${T_NAME} PRIVATE ${TOBRIX_TSAN_FLAGS})
    else()
      tobrix_sanitize(${T_NAME})
    endif()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS host)
  endif()
endfunction()

# tobrix_layer(target dir...): the target sees the source tree only through a
# folder of links to the given top-level folders, its own layer and those
# below it. A header outside them is "No such file or directory".
function(tobrix_layer target)
  set(view ${CMAKE_BINARY_DIR}/layers/${target})
  file(MAKE_DIRECTORY ${view})
  foreach(dir ${ARGN})
    if(NOT IS_SYMLINK ${view}/${dir})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${dir} ${view}/${dir} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} PUBLIC ${view})
endfunction()
