# Tables to and from CSV files, for the import-csv and export-csv commands.
target_sources(tavimo_app PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/csvformat.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/csvvalues.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/csvcontext.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/csvcolumns.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/csvpeople.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/csvimport.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/csvexport.cpp
)
