# Lists over tables and drop-down lists over tables.
target_sources(tavimo_framework_ui PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/browsestep.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/browsemodel.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/browselist.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/browsemanager.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/browsewindow.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/declaredlist.cpp
)
target_sources(tavimo_framework_ui PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/tabledroplist.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/tabledropcombo.cpp
)
