# The report layout as data, the page files: written from finished pages,
# replayed into the output generators, kept in a private folder per run.
set(TAVIMO_PAGE_SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/reportlayout.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/pagewriter.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/pagereader.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/pagefolder.cpp
)
target_sources(tavimo_reports PRIVATE ${TAVIMO_PAGE_SOURCES})

if(TAVIMO_FUZZ)
  # Coverage feedback for fuzz/fuzz_pages.
  set_source_files_properties(${TAVIMO_PAGE_SOURCES} PROPERTIES
    COMPILE_OPTIONS "-fsanitize=fuzzer-no-link,address,undefined;-fno-sanitize-recover=undefined")
endif()
