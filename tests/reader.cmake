textbook_add_test(tst_reader SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/reader/tst_reader.cpp
                  ${CMAKE_CURRENT_SOURCE_DIR}/reader/HostilePages.h ${CMAKE_CURRENT_SOURCE_DIR}/reader/Passage.h
                  LIBS textbook_app)
# The real page engine; skipped in the light build.
# It links the engine itself to reach into the view; the program loads it as a module.
textbook_add_test(tst_reader_webengine SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/reader/tst_reader_webengine.cpp
                  ${CMAKE_CURRENT_SOURCE_DIR}/reader/HostilePages.h ${CMAKE_CURRENT_SOURCE_DIR}/reader/Passage.h
                  LIBS textbook_app $<$<BOOL:${WITH_WEBENGINE}>:Qt6::WebEngineWidgets>)
# The program must not link the web engine: it is a module loaded after the first window.
if(WITH_WEBENGINE)
    add_test(NAME program_does_not_link_web_engine
             COMMAND sh -c "ldd \"$1\" | grep -q WebEngine && exit 1 || exit 0" sh $<TARGET_FILE:velanika>)
endif()
# Reading pictures loads no image plugin but JPEG's; a process of its own, as any other test
# may load them all.
textbook_add_test(tst_reader_pictures SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/reader/tst_reader_pictures.cpp
                  LIBS textbook_app)
