# The run's pages shown in the preview, printed, or replayed into a generator.
target_sources(tavimo_reports PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/pagefilesource.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/previewrunner.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/printeroutput.cpp
)
