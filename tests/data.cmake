# Data layer tests. They build their own small databases from the program's schema, so they do
# not depend on the demo content.
set(TEXTBOOK_SCHEMA_SQL ${PROJECT_SOURCE_DIR}/content/schema.sql)
foreach(test tst_tablecursor tst_connection tst_datamodule tst_courseupgrade tst_journal)
    textbook_add_test(${test} SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/data/${test}.cpp
                      ${CMAKE_CURRENT_SOURCE_DIR}/data/DataFixture.h LIBS textbook_data SQLite::SQLite3)
    target_compile_definitions(${test} PRIVATE TEXTBOOK_SCHEMA_SQL="${TEXTBOOK_SCHEMA_SQL}")
endforeach()

textbook_add_test(tst_mkdb SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/data/tst_mkdb.cpp LIBS SQLite::SQLite3)
target_compile_definitions(tst_mkdb PRIVATE TEXTBOOK_SCHEMA_SQL="${TEXTBOOK_SCHEMA_SQL}"
                                            MKDB_PATH="$<TARGET_FILE:mkdb>")
add_dependencies(tst_mkdb mkdb)
