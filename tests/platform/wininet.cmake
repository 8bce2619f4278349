# The exchange engine and the WinInet-style handles over it, against the loopback
# server, test certificates, tinyproxy and microsocks.
file(GLOB exchange_tests CONFIGURE_DEPENDS
  "${CMAKE_CURRENT_LIST_DIR}/exchange_*_test.cpp"
  "${CMAKE_CURRENT_LIST_DIR}/wininet_*_test.cpp")
kesmora_gtest(wininet_test
  SOURCES ${exchange_tests}
  LIBS platform test_support
  LABELS headless)
