# The report renderer: bands laid into pages, their texts and totals, each
# page written to its page file as it is finished.
target_sources(tavimo_reports PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/reportmetrics.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/reporttotals.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/bandrenderer.cpp
)
