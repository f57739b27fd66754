# The help window and the help pages, which are compiled in. A page is
# added by putting it into help/ and giving it a line in help/topics.txt.
include_guard(DIRECTORY)
target_sources(tavimo_framework_ui PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/helpcatalogue.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/helpcatalogue.h
  ${CMAKE_CURRENT_SOURCE_DIR}/helpviewer.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/helpviewer.h
)
file(GLOB tavimo_help_files CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/help/*.htm
  ${PROJECT_SOURCE_DIR}/help/*.html
  ${PROJECT_SOURCE_DIR}/help/*.css
  ${PROJECT_SOURCE_DIR}/help/*.png
  ${PROJECT_SOURCE_DIR}/help/*.gif
  ${PROJECT_SOURCE_DIR}/help/*.jpg
  ${PROJECT_SOURCE_DIR}/help/topics.txt
)
qt_add_resources(tavimo_framework_ui "tavimo_help"
  PREFIX "/help"
  BASE ${PROJECT_SOURCE_DIR}/help
  FILES ${tavimo_help_files}
)
