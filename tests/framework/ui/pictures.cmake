tavimo_add_test(tst_picture SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_picture.cpp LIBS tavimo_framework_ui)
