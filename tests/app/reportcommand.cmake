# The report command, run through the real program.
tavimo_add_test(tst_reportcommand SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_reportcommand.cpp
  LIBS tavimo_app tavimo_pdf_testsupport)
target_compile_definitions(tst_reportcommand PRIVATE TAVIMO_EXECUTABLE="$<TARGET_FILE:tavimo>")
add_dependencies(tst_reportcommand tavimo)
