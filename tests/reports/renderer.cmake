tavimo_add_test(tst_bandrenderer SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_bandrenderer.cpp LIBS tavimo_reports)
