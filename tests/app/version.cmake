# The version check, the message box with a time limit and the owner search. The
# sources are compiled in directly so that the tests need nothing else of the window
# (no web view). The window test links only the platform layer under them; the check
# test adds the request routine and a loopback server for the published version.
set(version_window_sources
  "${PROJECT_SOURCE_DIR}/app/shell_services.cpp"
  "${PROJECT_SOURCE_DIR}/app/timed_message_box.cpp"
  "${PROJECT_SOURCE_DIR}/app/window_search.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/version_support.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/test_application.cpp")

kesmora_gtest(version_window_test
  SOURCES
    "${CMAKE_CURRENT_LIST_DIR}/version_message_box_test.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/version_window_search_test.cpp"
    ${version_window_sources}
  LIBS winhttp platform common Qt6::Widgets Qt6::Test
  LABELS gui)

kesmora_gtest(version_check_test
  SOURCES
    "${CMAKE_CURRENT_LIST_DIR}/version_check_test.cpp"
    "${PROJECT_SOURCE_DIR}/app/version_check.cpp"
    ${version_window_sources}
  LIBS app_services winhttp platform common test_support Qt6::Widgets Qt6::Test
  LABELS gui)

foreach(t version_window_test version_check_test)
  target_include_directories(${t} PRIVATE "${PROJECT_SOURCE_DIR}")
  kesmora_qt_strict(${t})
  set_tests_properties(${t} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endforeach()

# The version check in the real program under Xvfb with icewm. The program built for
# the demo site (kesmora_e2e, port KESMORA_E2E_PORT) comes from window.cmake, which is
# read after this file, hence the deferred call.
function(version_add_e2e)
  if(NOT TARGET kesmora_e2e)
    return()
  endif()
  add_test(NAME version_e2e COMMAND bash "${PROJECT_SOURCE_DIR}/tests/app/e2e_version.sh"
    "$<TARGET_FILE:kesmora_e2e>" "${KESMORA_E2E_PORT}")
  set_tests_properties(version_e2e PROPERTIES LABELS gui TIMEOUT 300 SKIP_RETURN_CODE 77
    RESOURCE_LOCK desktop
    ENVIRONMENT "KESMORA_SOURCE_DIR=${PROJECT_SOURCE_DIR};KESMORA_ARTIFACTS=${PROJECT_BINARY_DIR}/artifacts")
endfunction()
cmake_language(DEFER CALL version_add_e2e)
