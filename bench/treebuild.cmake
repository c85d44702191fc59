# SPDX-License-Identifier: GPL-3.0-or-later
# The category tree build benchmark (included from bench/CMakeLists.txt): a generated library of
# 500 categories and 10,000 commands, built into the tree the way the program starts.
set(QB_TREEBUILD_LIBRARY ${PROJECT_BINARY_DIR}/bench/treebuild-library.mdb)
add_custom_command(OUTPUT ${QB_TREEBUILD_LIBRARY}
                   COMMAND qb-genlibrary ${QB_TREEBUILD_LIBRARY} --categories 500 --commands 10000
                   DEPENDS qb-genlibrary)
qb_add_bench(treebuild ${CMAKE_CURRENT_LIST_DIR}/treebuild.cpp LINKS qb_library_ui
             ARGS ${QB_TREEBUILD_LIBRARY} DEPENDS ${QB_TREEBUILD_LIBRARY})
