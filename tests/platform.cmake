textbook_add_test(tst_platform SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/platform/tst_platform.cpp LIBS textbook_platform)
