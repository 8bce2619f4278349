# The automation layer: variants and their conversions, the class registry, the
# script control on QJSEngine with its sandbox and limits, the regular-expression object.
kesmora_gtest(automation_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/automation_variant_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/automation_registry_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/automation_script_control_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/automation_regexp_test.cpp
  LIBS platform test_qt_core_application
  LABELS headless)
