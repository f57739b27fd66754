target_sources(tavimo_framework_ui PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/procedurewindow.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/formwindow.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/procedures.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/formdriver.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/picturebinding.cpp
)
target_sources(tavimo_framework_ui PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/softcheck.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/tabkeys.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/declaredform.cpp
)
