# SPDX-License-Identifier: GPL-3.0-or-later
# Listing a directory of 10,000 files of 30 types in the file browser, first and repeated,
# beside `ls -l` of the same directory (goal: a repeated listing under 0.1 s and within 3 times
# `ls -l`; images bounded by the number of types). Included from bench/CMakeLists.txt.
qb_add_bench(filebrowser ${CMAKE_CURRENT_LIST_DIR}/filebrowser.cpp LINKS qb_browser_ui)
