textbook_add_test(tst_signin SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/signin/tst_signin.cpp LIBS textbook_app)
textbook_add_test(tst_greeting SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/shell/tst_greeting.cpp LIBS textbook_app)
