# The painting generator and the print preview.
target_sources(tavimo_reports PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/paintgenerator.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/pageimagecache.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/tilegrid.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/previewarea.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/previewcanvas.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/previewdialogs.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/printpreview.cpp
)
