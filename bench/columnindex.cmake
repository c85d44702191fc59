# SPDX-License-Identifier: GPL-3.0-or-later
# The engine's text column indexes on the 100,000-command library (included from
# bench/CMakeLists.txt): build time and memory per column, and the lookups of a find.
qb_add_bench(column-index ${CMAKE_CURRENT_LIST_DIR}/columnindex.cpp LINKS qb_jet
             ARGS ${PROJECT_BINARY_DIR}/bench/startup-100k.mdb DEPENDS ${PROJECT_BINARY_DIR}/bench/startup-100k.mdb)
