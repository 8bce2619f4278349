# Picture boxes: format sniffing, the PCX decoder and what a box shows. The sources are
# compiled in directly so that the test depends on nothing else of the window. The tests
# run ImageMagick's `convert` as an independent maker and reader of pictures.
set(picture_box_sources
  "${PROJECT_SOURCE_DIR}/app/image_format.cpp"
  "${PROJECT_SOURCE_DIR}/app/pcx_decoder.cpp"
  "${PROJECT_SOURCE_DIR}/app/picture_box.cpp"
  "${PROJECT_SOURCE_DIR}/app/picture_box.h")
kesmora_gtest(picture_box_test
  SOURCES
    "${CMAKE_CURRENT_LIST_DIR}/picture_box_format_test.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/picture_box_pcx_test.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/picture_box_widget_test.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/picture_box_support.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/test_application.cpp"
    ${picture_box_sources}
  LIBS common Qt6::Widgets Qt6::Test
  LABELS gui)
set_target_properties(picture_box_test PROPERTIES AUTOMOC ON)
target_include_directories(picture_box_test PRIVATE "${PROJECT_SOURCE_DIR}")
kesmora_qt_strict(picture_box_test)
set_tests_properties(picture_box_test PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

# The loopback demo site that the demo build and the end-to-end run talk to.
add_test(NAME demo_site_test COMMAND python3 "${PROJECT_SOURCE_DIR}/demo/selftest.py")
set_tests_properties(demo_site_test PROPERTIES LABELS headless TIMEOUT 120)
