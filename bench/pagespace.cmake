# SPDX-License-Identifier: GPL-3.0-or-later
# The page space report (included from bench/CMakeLists.txt): a measuring tool run by hand on
# libraries a bulk load wrote, not part of `make bench`.
add_executable(qb-bench-pagespace ${CMAKE_CURRENT_LIST_DIR}/pagespace.cpp)
target_link_libraries(qb-bench-pagespace PRIVATE qb_jet)
set_target_properties(qb-bench-pagespace PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
