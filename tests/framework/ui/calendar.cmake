include_guard(DIRECTORY)
tavimo_add_test(tst_calendarpicker
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_calendarpicker.cpp
  LIBS tavimo_framework_ui)
