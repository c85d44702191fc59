# Listing a directory of 10,000 files of 30 types in the file browser, first and repeated,
# beside `ls -l` of the same directory (goal: a repeated listing under 0.1 s and within 3 times
# `ls -l`; images bounded by the number of types). Included from bench/CMakeLists.txt.
add_executable(qb-bench-filebrowser ${CMAKE_CURRENT_LIST_DIR}/filebrowser.cpp)
target_link_libraries(qb-bench-filebrowser PRIVATE qb_browser_ui)
set_target_properties(qb-bench-filebrowser PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
if(NOT TARGET bench)
    add_custom_target(bench)
endif()
add_custom_target(bench-filebrowser COMMAND qb-bench-filebrowser DEPENDS qb-bench-filebrowser USES_TERMINAL)
add_dependencies(bench bench-filebrowser)
