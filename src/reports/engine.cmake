# The report engine: the run and its progress window, the percentage of a
# view read, the pages to print and the choice of output.
target_sources(tavimo_reports PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/stepmanager.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/processmanager.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/reportmanager.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/pagestoprint.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/reporttargetselector.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/selectoutputdialog.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/exportprogress.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/batchreport.cpp
)
