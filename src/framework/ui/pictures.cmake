target_sources(tavimo_framework_ui PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/picture.cpp)
