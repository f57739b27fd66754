# The PDF and the preview drawing the same replayed pages.
tavimo_add_test(tst_pdfreplay SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_pdfreplay.cpp
  LIBS tavimo_reports tavimo_pdf_testsupport)
