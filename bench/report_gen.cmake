# The report generator library. Included by bench/ and, when the benchmarks are not built, by the
# generator's tests, so that the sanitizer build tests it too.
add_library(dg_report_gen STATIC
  ${CMAKE_CURRENT_LIST_DIR}/report_gen.cpp
  ${CMAKE_CURRENT_LIST_DIR}/report_derive.cpp
  ${CMAKE_CURRENT_LIST_DIR}/earlier_report.cpp
  ${CMAKE_CURRENT_LIST_DIR}/report_writer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/posix_copy.cpp
)
target_include_directories(dg_report_gen PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(dg_report_gen PRIVATE dg_core dg_warnings)
