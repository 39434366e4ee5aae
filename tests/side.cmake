textbook_add_test(tst_stats SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/side/tst_stats.cpp LIBS textbook_app)
textbook_add_test(tst_presentations SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/side/tst_presentations.cpp LIBS textbook_app)
textbook_add_test(tst_infowindows SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/side/tst_infowindows.cpp LIBS textbook_app)
