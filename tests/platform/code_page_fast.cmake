# The code-page calls and the text stream's UTF-8 reading against the iconv path.
kesmora_gtest(code_page_fast_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/code_page_fast_test.cpp
  LIBS platform
  LABELS headless)
