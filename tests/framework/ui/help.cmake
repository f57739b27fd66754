include_guard(DIRECTORY)
tavimo_add_test(tst_helpviewer
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_helpviewer.cpp
  LIBS tavimo_framework_ui)
