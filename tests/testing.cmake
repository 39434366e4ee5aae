textbook_add_test(tst_testing SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/testing/tst_testing.cpp LIBS textbook_app)
