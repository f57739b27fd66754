# The calendar date picker and the button that opens it beside a date entry.
include_guard(DIRECTORY)
target_sources(tavimo_framework_ui PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/calendarpicker.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/calendarpicker.h
  ${CMAKE_CURRENT_SOURCE_DIR}/calendarbutton.cpp
)
