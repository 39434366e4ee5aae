textbook_add_test(tst_search SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/search/tst_search.cpp LIBS textbook_search)
