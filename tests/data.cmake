# Data layer tests. They build their own small databases from the program's schema, so they do
# not depend on the demo content. Each runs on Data.mdb files and again, as <name>_server, on a
# throw-away PostgreSQL cluster that the fixture pg_cluster starts and stops.
set(TEXTBOOK_SCHEMA_SQL ${PROJECT_SOURCE_DIR}/content/schema.sql)
set(TEXTBOOK_SERVER_SQL_DIR ${PROJECT_SOURCE_DIR}/tools/server)

# Unix socket only; the folder's name is unique per build folder, short enough for a socket path.
string(MD5 build_hash "${CMAKE_BINARY_DIR}")
string(SUBSTRING "${build_hash}" 0 12 build_hash)
set(TEXTBOOK_TEST_CLUSTER /tmp/velanika-pg-${build_hash})
set(TEXTBOOK_TEST_SERVER "host=${TEXTBOOK_TEST_CLUSTER} user=postgres dbname=postgres")
add_test(NAME pg_cluster_start COMMAND ${PROJECT_SOURCE_DIR}/tools/pg-cluster.sh start ${TEXTBOOK_TEST_CLUSTER})
add_test(NAME pg_cluster_stop COMMAND ${PROJECT_SOURCE_DIR}/tools/pg-cluster.sh stop ${TEXTBOOK_TEST_CLUSTER})
set_tests_properties(pg_cluster_start PROPERTIES FIXTURES_SETUP pg_cluster)
set_tests_properties(pg_cluster_stop PROPERTIES FIXTURES_CLEANUP pg_cluster)

function(textbook_server_variant test)
    add_test(NAME ${test}_server COMMAND ${test})
    set_tests_properties(${test}_server PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TEXTBOOK_DIR=${TEXTBOOK_DIR};VELANIKA_TEST_SERVER=${TEXTBOOK_TEST_SERVER}"
        FIXTURES_REQUIRED pg_cluster TIMEOUT 300)
endfunction()

foreach(test tst_tablecursor tst_connection tst_datamodule)
    textbook_add_test(${test} SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/data/${test}.cpp
                      ${CMAKE_CURRENT_SOURCE_DIR}/data/DataFixture.h LIBS textbook_data SQLite::SQLite3
                      PostgreSQL::PostgreSQL)
    target_compile_definitions(${test} PRIVATE TEXTBOOK_SCHEMA_SQL="${TEXTBOOK_SCHEMA_SQL}"
                                               TEXTBOOK_SERVER_TABLES_SQL="${TEXTBOOK_SERVER_SQL_DIR}/tables.sql")
    textbook_server_variant(${test})
endforeach()

# The course upgrade and the file's attempt journal work on Data.mdb files only.
foreach(test tst_courseupgrade tst_journal)
    textbook_add_test(${test} SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/data/${test}.cpp
                      ${CMAKE_CURRENT_SOURCE_DIR}/data/DataFixture.h LIBS textbook_data SQLite::SQLite3
                      PostgreSQL::PostgreSQL)
    target_compile_definitions(${test} PRIVATE TEXTBOOK_SCHEMA_SQL="${TEXTBOOK_SCHEMA_SQL}"
                                               TEXTBOOK_SERVER_TABLES_SQL="${TEXTBOOK_SERVER_SQL_DIR}/tables.sql")
endforeach()

textbook_add_test(tst_mkdb SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/data/tst_mkdb.cpp LIBS SQLite::SQLite3)
target_compile_definitions(tst_mkdb PRIVATE TEXTBOOK_SCHEMA_SQL="${TEXTBOOK_SCHEMA_SQL}"
                                            MKDB_PATH="$<TARGET_FILE:mkdb>")
add_dependencies(tst_mkdb mkdb)

# The class-room server as velanika-server makes it; runs on the test cluster only.
textbook_add_test(tst_server SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/data/tst_server.cpp
                  LIBS textbook_data PostgreSQL::PostgreSQL)
set_tests_properties(tst_server PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TEXTBOOK_DIR=${TEXTBOOK_DIR};VELANIKA_TEST_SERVER=${TEXTBOOK_TEST_SERVER}"
    FIXTURES_REQUIRED pg_cluster)
add_dependencies(tst_server velanika-server)

# The teacher's desk's reads and writes; on the server as the teacher's role.
textbook_add_test(tst_deskdata SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/data/tst_deskdata.cpp
                  ${CMAKE_CURRENT_SOURCE_DIR}/data/ServerCourse.h LIBS textbook_data PostgreSQL::PostgreSQL)
textbook_server_variant(tst_deskdata)
add_dependencies(tst_deskdata velanika-server)
# velanika-server init sets the roles' passwords, which belong to the whole cluster.
set_tests_properties(tst_server tst_deskdata_server PROPERTIES RESOURCE_LOCK velanika_roles)
