# SPDX-License-Identifier: GPL-3.0-or-later
# The category tree on demand (included from bench/CMakeLists.txt): expanding a category of 1,000
# commands and 查找命令 over 100,000 commands, on the start-up benchmark's largest library.
qb_add_bench(librarytree ${CMAKE_CURRENT_LIST_DIR}/librarytree.cpp LINKS qb_library_ui
             ARGS ${PROJECT_BINARY_DIR}/bench/startup-100k.mdb DEPENDS ${PROJECT_BINARY_DIR}/bench/startup-100k.mdb)
