textbook_add_test(tst_platform SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/platform/tst_platform.cpp LIBS textbook_platform)
# The page view's reading aids, in the light view and with the real page engine.
textbook_add_test(tst_pageview SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/platform/tst_pageview.cpp
                  LIBS textbook_app $<$<BOOL:${WITH_WEBENGINE}>:Qt6::WebEngineWidgets>)
