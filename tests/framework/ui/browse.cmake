tavimo_add_test(tst_browsemanager SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_browsemanager.cpp LIBS tavimo_records)
tavimo_add_test(tst_tabledroplist SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_tabledroplist.cpp LIBS tavimo_records)
