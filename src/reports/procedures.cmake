# The report procedures.
target_sources(tavimo_reports PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/reportpdf.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/logreport.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/bpaverages.cpp
)
target_sources(tavimo_reports PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/reportprocedures.cpp)
