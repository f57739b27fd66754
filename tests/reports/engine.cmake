tavimo_add_test(tst_reportengine SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_reportengine.cpp LIBS tavimo_reports)
tavimo_add_test(tst_pagestoprint SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_pagestoprint.cpp LIBS tavimo_reports)
tavimo_add_test(tst_targetselector SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_targetselector.cpp LIBS tavimo_reports)
