# The profile list and form, with the windows they share.
target_sources(tavimo_records PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/currentperson.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/profilebindings.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/personlogs.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/prebpaverages.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/updatepersonsname.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/browseperson.cpp
)
