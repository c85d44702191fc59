# The category tree build benchmark (included from bench/CMakeLists.txt): a generated library of
# 500 categories and 10,000 commands, built into the tree the way the program starts.
add_executable(qb-bench-treebuild ${CMAKE_CURRENT_LIST_DIR}/treebuild.cpp)
target_link_libraries(qb-bench-treebuild PRIVATE qb_library_ui)
set_target_properties(qb-bench-treebuild PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
set(QB_TREEBUILD_LIBRARY ${PROJECT_BINARY_DIR}/bench/treebuild-library.mdb)
add_custom_command(OUTPUT ${QB_TREEBUILD_LIBRARY}
                   COMMAND qb-genlibrary ${QB_TREEBUILD_LIBRARY} --categories 500 --commands 10000
                   DEPENDS qb-genlibrary)
if(NOT TARGET bench)
    add_custom_target(bench)
endif()
add_custom_target(bench-treebuild COMMAND qb-bench-treebuild ${QB_TREEBUILD_LIBRARY}
                  DEPENDS qb-bench-treebuild ${QB_TREEBUILD_LIBRARY} USES_TERMINAL)
add_dependencies(bench bench-treebuild)
