# Warnings and sanitizer flags for our own targets only; third-party headers are
# included as system headers so their warnings never fail the build.

if(KESMORA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# In the fuzzing tree every library carries libFuzzer's coverage counters, so that the
# fuzzers are guided by the code under test and not only by their own sources.
if(KESMORA_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Applies the project's warning policy to one of our targets.
function(kesmora_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# Qt-backed code never turns raw bytes into a QString implicitly: GBK bytes become
# text only through the code-page routines.
function(kesmora_qt_strict target)
  target_compile_definitions(${target} PRIVATE QT_NO_CAST_FROM_ASCII QT_NO_CAST_FROM_BYTEARRAY)
endfunction()

# Adds a GoogleTest program that links only what it tests. LABELS lets CI tell the
# headless tests (run under the sanitizers) from the GUI ones.
function(kesmora_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  kesmora_warnings(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_LABELS)
    set(T_LABELS headless)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}" TIMEOUT 600)
endfunction()

# Adds a libFuzzer target; the sanitizer job runs each for a bounded time.
function(kesmora_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  kesmora_warnings(${name})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
endfunction()

# One library per folder: every .cpp and .qrc of the folder, public headers under the
# project root, the given dependencies. A folder without sources yet gives a header-only
# target so that the tree configures while it grows.
function(kesmora_library name)
  cmake_parse_arguments(L "" "" "DEPS;GLOBS" ${ARGN})
  if(NOT L_GLOBS)
    set(L_GLOBS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.qrc")
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${L_GLOBS})
  if(NOT sources)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE "${PROJECT_SOURCE_DIR}" "${PROJECT_BINARY_DIR}/app/generated")
    target_link_libraries(${name} INTERFACE ${L_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  set_target_properties(${name} PROPERTIES AUTOMOC ON AUTORCC ON)
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}" "${PROJECT_BINARY_DIR}/app/generated")
  target_link_libraries(${name} PUBLIC ${L_DEPS})
  kesmora_warnings(${name})
  kesmora_qt_strict(${name})
endfunction()
