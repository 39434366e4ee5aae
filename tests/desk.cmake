textbook_add_test(tst_desk SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/desk/tst_desk.cpp LIBS textbook_app)
