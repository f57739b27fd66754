tavimo_add_test(tst_bpaverages SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_bpaverages.cpp LIBS tavimo_reports)
