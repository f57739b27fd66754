# The calendar date picker.
include_guard(DIRECTORY)
target_sources(tavimo_framework_ui PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/calendarpicker.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/calendarpicker.h
)
