tavimo_add_test(tst_formwindow SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_formwindow.cpp LIBS tavimo_framework_ui)
tavimo_add_test(tst_declaredform SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_declaredform.cpp LIBS tavimo_framework_ui)
