# The window: its handlers in process (Qt Test helpers under GoogleTest, offscreen)
# and an end-to-end run of the program under Xvfb with icewm.
#
# The program's addresses are compiled in, while test peers listen on free ports. So
# the window's code is compiled twice more: once with addresses that the in-process
# tests fill in at run time (window_testable), once as a complete program whose
# addresses point at the demo site on a fixed port (kesmora_e2e), which the
# end-to-end test serves inside a private network namespace where that port is free.

file(GLOB window_sources CONFIGURE_DEPENDS
  "${PROJECT_SOURCE_DIR}/app/*.cpp" "${PROJECT_SOURCE_DIR}/app/*.h")
list(REMOVE_ITEM window_sources "${PROJECT_SOURCE_DIR}/app/main.cpp")
file(GLOB window_resources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/resources/*.qrc")

# One copy of the window's code, its app/config.h taken from `config_dir`.
function(kesmora_window_copy name config_dir)
  add_library(${name} STATIC ${window_sources} ${window_resources})
  set_target_properties(${name} PROPERTIES AUTOMOC ON AUTOUIC ON AUTORCC ON
    AUTOUIC_SEARCH_PATHS "${PROJECT_SOURCE_DIR}/resources")
  target_include_directories(${name} BEFORE PUBLIC "${config_dir}")
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}")
  target_link_libraries(${name} PUBLIC app_services Qt6::Widgets Qt6::WebEngineWidgets)
  kesmora_warnings(${name})
  kesmora_qt_strict(${name})
endfunction()

# --- in-process tests ---------------------------------------------------------------

set(window_test_config "${CMAKE_CURRENT_BINARY_DIR}/window_test_config")
file(WRITE "${window_test_config}/app/config.h.in" [=[
// Test build of the built-in configuration: the addresses are filled in by the test
// (tests/app/window_support.h) before a window exists.
#pragma once

namespace kesmora::config {

inline char kServiceHost[256] = "http://127.0.0.1:9";
inline char kAdHost[256] = "http://127.0.0.1:9";
inline char kExitPage1[256] = "http://127.0.0.1:9/exit-one";
inline char kExitPage2[256] = "http://127.0.0.1:9/exit-two";
inline constexpr const char kContactNumber[] = "@ContactNumber@";
inline constexpr const char kHomePage[] = "@HomePage@";

} // namespace kesmora::config
]=])
configure_file("${window_test_config}/app/config.h.in" "${window_test_config}/app/config.h" @ONLY)
kesmora_window_copy(window_testable "${window_test_config}")

# The desktop's opener, replaced in the tests' PATH: it records each address it gets.
set(window_fake_bin "${CMAKE_CURRENT_BINARY_DIR}/window_fake_bin")
file(WRITE "${window_fake_bin}/xdg-open"
  "#!/bin/sh\n# Stands in for the desktop's opener: records each address, one per line.\n"
  "printf '%s\\n' \"$1\" >>\"\${KESMORA_TEST_OPENER_LOG:-/dev/null}\"\n")
file(CHMOD "${window_fake_bin}/xdg-open" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
  GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The offscreen platform with a screen of a common desktop size, large enough to centre
# the window on.
file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/window_offscreen.json"
  "{ \"screens\": [ { \"name\": \"desktop\", \"x\": 0, \"y\": 0, \"width\": 1920, \"height\": 1080, \"logicalDpiX\": 96, \"logicalDpiY\": 96, \"dpr\": 1 } ] }\n")

file(GLOB window_test_sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_LIST_DIR}/window_*.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/window_*.h")
kesmora_gtest(window_test
  SOURCES ${window_test_sources} "${CMAKE_CURRENT_LIST_DIR}/test_application.cpp"
  LIBS window_testable test_support Qt6::Test
  LABELS gui)
set_target_properties(window_test PROPERTIES AUTOMOC ON)
kesmora_qt_strict(window_test)
set_tests_properties(window_test PROPERTIES
  ENVIRONMENT_MODIFICATION "PATH=path_list_prepend:${window_fake_bin}"
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen:configfile=${CMAKE_CURRENT_BINARY_DIR}/window_offscreen.json;QTWEBENGINE_DISABLE_SANDBOX=1;QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu;KESMORA_DEMO_SERVER=${PROJECT_SOURCE_DIR}/demo/server.py")

# --- the program end to end ---------------------------------------------------------

set(KESMORA_E2E_PORT 47801 CACHE STRING "Port of the demo site in the end-to-end test (inside its own network namespace)")
set(window_e2e_config "${CMAKE_CURRENT_BINARY_DIR}/window_e2e_config")
function(kesmora_window_demo_config dir port)
  set(ServiceHost "http://127.0.0.1:${port}")
  set(AdHost "${ServiceHost}")
  set(ExitPage1 "${ServiceHost}/sites/1")
  set(ExitPage2 "${ServiceHost}/sites/2")
  configure_file("${PROJECT_SOURCE_DIR}/app/config.h.in" "${dir}/app/config.h" @ONLY)
endfunction()
kesmora_window_demo_config("${window_e2e_config}" "${KESMORA_E2E_PORT}")
kesmora_window_copy(window_e2e "${window_e2e_config}")
add_executable(kesmora_e2e "${PROJECT_SOURCE_DIR}/app/main.cpp")
target_link_libraries(kesmora_e2e PRIVATE window_e2e)
kesmora_warnings(kesmora_e2e)
kesmora_qt_strict(kesmora_e2e)

add_test(NAME window_e2e COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/e2e.sh"
  "$<TARGET_FILE:kesmora_e2e>" "${KESMORA_E2E_PORT}" "${ContactNumber}" "${HomePage}")
set_tests_properties(window_e2e PROPERTIES LABELS gui TIMEOUT 300 SKIP_RETURN_CODE 77 RESOURCE_LOCK desktop
  ENVIRONMENT "KESMORA_SOURCE_DIR=${PROJECT_SOURCE_DIR};KESMORA_ARTIFACTS=${PROJECT_BINARY_DIR}/artifacts;KESMORA_FAKE_BIN=${window_fake_bin}")
