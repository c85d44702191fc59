# Opening a 20 MB GBK script until the editor has painted it (goal: within 1.5 times the floor
# of converting the bytes and handing them to the component). Included from bench/CMakeLists.txt.
add_executable(qb-bench-scriptopen ${CMAKE_CURRENT_LIST_DIR}/scriptopen.cpp)
target_link_libraries(qb-bench-scriptopen PRIVATE qb_editor_ui)
set_target_properties(qb-bench-scriptopen PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
if(NOT TARGET bench)
    add_custom_target(bench)
endif()
add_custom_target(bench-scriptopen COMMAND qb-bench-scriptopen DEPENDS qb-bench-scriptopen USES_TERMINAL)
add_dependencies(bench bench-scriptopen)
