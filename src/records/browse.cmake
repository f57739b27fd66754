# The list windows of the records.
target_sources(tavimo_records PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/browsedoctors.cpp
)
