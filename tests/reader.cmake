textbook_add_test(tst_reader SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/reader/tst_reader.cpp LIBS textbook_app)
# The real page engine; skipped in the light build.
textbook_add_test(tst_reader_webengine SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/reader/tst_reader_webengine.cpp
                  LIBS textbook_app)
