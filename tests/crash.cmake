textbook_add_test(tst_crash SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/crash/tst_crash.cpp LIBS textbook_data)
