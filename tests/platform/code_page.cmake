# Code pages, the iconv converter, the Gbk literal helper and the system stand-ins.
kesmora_gtest(code_page_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/code_page_convert_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/code_page_iconv_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/code_page_system_test.cpp
  LIBS platform
  LABELS headless)
