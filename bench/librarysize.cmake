# SPDX-License-Identifier: GPL-3.0-or-later
# The library size benchmark (included from bench/CMakeLists.txt): 1,000 commands with
# 2,000-character ASCII descriptions written compressed, beside the same rows in plain UTF-16,
# and the independent readers' exports of the compressed file compared with ours.
add_executable(qb-bench-librarysize ${CMAKE_CURRENT_LIST_DIR}/librarysize.cpp)
target_link_libraries(qb-bench-librarysize PRIVATE qb_jet)
set_target_properties(qb-bench-librarysize PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
add_custom_target(bench-librarysize
                  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/librarysize.sh $<TARGET_FILE:qb-bench-librarysize>
                          $<TARGET_FILE:quillbox-mdb> ${PROJECT_SOURCE_DIR}/tests/mdbreader/export.mjs
                          ${PROJECT_BINARY_DIR}/bench/librarysize
                  DEPENDS qb-bench-librarysize quillbox-mdb USES_TERMINAL)
add_dependencies(bench bench-librarysize)
