tavimo_add_test(tst_pagefiles SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_pagefiles.cpp LIBS tavimo_reports)
