# A command-line replay of page files into one PDF, for looking at what the
# replay does and for reproducing what the page fuzz targets find.
add_executable(tavimo-wmf2pdf ${CMAKE_CURRENT_SOURCE_DIR}/wmf2pdf/main.cpp)
target_link_libraries(tavimo-wmf2pdf PRIVATE tavimo_reports)
if(TAVIMO_FUZZ)
  # The replay code carries the fuzz build's sanitizers; the tool then
  # reports a fuzz finding as the target did.
  target_link_options(tavimo-wmf2pdf PRIVATE -fsanitize=address,undefined)
endif()
