# The page replay tool, and page files as other programs write them.
tavimo_add_test(tst_wmf2pdf SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_wmf2pdf.cpp LIBS tavimo_reports tavimo_pdf_testsupport)
target_compile_definitions(tst_wmf2pdf PRIVATE TAVIMO_WMF2PDF="$<TARGET_FILE:tavimo-wmf2pdf>")
add_dependencies(tst_wmf2pdf tavimo-wmf2pdf)
tavimo_add_test(tst_foreignpages SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_foreignpages.cpp
  LIBS tavimo_reports tavimo_pdf_testsupport tavimo_pdf_samples)
