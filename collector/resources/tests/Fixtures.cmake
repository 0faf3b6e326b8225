# The report viewer rendered on this machine: by xsltproc, and by a real browser over file://.
# check_report.py exits 77 when it has to skip (no browser, or one that no longer applies XSLT).
foreach(renderer xsltproc chromium)
  add_test(NAME ReportViewerRendering.${renderer}
           COMMAND python3 ${CMAKE_SOURCE_DIR}/collector/resources/tests/check_report.py
                   ${CMAKE_SOURCE_DIR} ${renderer})
  set_tests_properties(ReportViewerRendering.${renderer} PROPERTIES
                       LABELS core SKIP_RETURN_CODE 77 TIMEOUT 300)
endforeach()

# The pages the collector renders, opened in Chromium with its default settings: the sample mode
# file's archive, and links to copies whose names hold what a URL reserves.
add_test(NAME ReportViewerRendering.RenderedPagesInABrowser
         COMMAND python3 ${CMAKE_SOURCE_DIR}/collector/resources/tests/check_rendered_report.py
                 ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
set_tests_properties(ReportViewerRendering.RenderedPagesInABrowser PROPERTIES
                     LABELS core SKIP_RETURN_CODE 77 RESOURCE_LOCK gathrix_running_mutex TIMEOUT 900)

# The navigation of a run followed in Chromium with its default settings, from index.html: level
# names that a URL reserves, and a two-level entity split into parts.
add_test(NAME ReportViewerRendering.NavigationReachesEveryPage
         COMMAND python3 ${CMAKE_SOURCE_DIR}/collector/resources/tests/check_report_navigation.py
                 ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
set_tests_properties(ReportViewerRendering.NavigationReachesEveryPage PROPERTIES
                     LABELS core SKIP_RETURN_CODE 77 RESOURCE_LOCK gathrix_running_mutex TIMEOUT 900)

# windres does not report the files its script names: rebuild the resources when one changes.
file(GLOB_RECURSE REPORT_VIEWER_FILES CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/collector/resources/index.html
     ${CMAKE_SOURCE_DIR}/collector/resources/images/*.png
     ${CMAKE_SOURCE_DIR}/collector/resources/images/*.ico
     ${CMAKE_SOURCE_DIR}/collector/resources/stylesheet/*
     ${CMAKE_SOURCE_DIR}/collector/resources/scripts/*)
set_source_files_properties(${CMAKE_SOURCE_DIR}/collector/resources/ReportViewer.rc PROPERTIES
                            OBJECT_DEPENDS "${REPORT_VIEWER_FILES}")
