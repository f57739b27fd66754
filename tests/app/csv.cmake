# The CSV import and export, and the commands that run them.
tavimo_add_test(tst_csvformat SOURCES tst_csvformat.cpp LIBS tavimo_app)
tavimo_add_test(tst_csvvalues SOURCES tst_csvvalues.cpp LIBS tavimo_app)
tavimo_add_test(tst_csvimport SOURCES tst_csvimport.cpp csvfixture.h LIBS tavimo_app)
tavimo_add_test(tst_csvexport SOURCES tst_csvexport.cpp csvfixture.h LIBS tavimo_app)
tavimo_add_test(tst_csvcommands SOURCES tst_csvcommands.cpp LIBS Qt6::Core)
target_compile_definitions(tst_csvcommands PRIVATE TAVIMO_EXECUTABLE="$<TARGET_FILE:tavimo>")
add_dependencies(tst_csvcommands tavimo)
