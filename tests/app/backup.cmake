# The backup and restore commands, run as scripts run them, and the
# program's own backup at exit.
tavimo_add_test(tst_backupcommands SOURCES tst_backupcommands.cpp LIBS tavimo_app)
target_link_libraries(tst_backupcommands PRIVATE PkgConfig::SQLCIPHER)
target_compile_definitions(tst_backupcommands PRIVATE SQLITE_HAS_CODEC TAVIMO_EXECUTABLE="$<TARGET_FILE:tavimo>")
add_dependencies(tst_backupcommands tavimo)
tavimo_add_test(tst_backupatexit SOURCES tst_backupatexit.cpp LIBS tavimo_app)
