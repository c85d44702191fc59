# SPDX-License-Identifier: GPL-3.0-or-later
# The command hints' search benchmark (included from bench/CMakeLists.txt): SearchHints per typed
# letter over a generated hint table of 100,000 entries, beside SQLite with a NOCASE index in the
# same run. SQLite (libsqlite3-dev) comes with the test packages; without it the benchmark is left
# out.
find_package(SQLite3)
if(NOT SQLite3_FOUND)
    message(STATUS "SQLite3 not found: the hint search benchmark is not built")
    return()
endif()
set(QB_HINTSEARCH_LIBRARY ${PROJECT_BINARY_DIR}/bench/hintsearch-library.mdb)
add_custom_command(OUTPUT ${QB_HINTSEARCH_LIBRARY}
                   COMMAND qb-bench-hintsearch --generate ${QB_HINTSEARCH_LIBRARY} --count 100000
                   DEPENDS qb-bench-hintsearch)
qb_add_bench(hintsearch ${CMAKE_CURRENT_LIST_DIR}/hintsearch.cpp LINKS qb_editor SQLite::SQLite3
             ARGS ${QB_HINTSEARCH_LIBRARY} DEPENDS ${QB_HINTSEARCH_LIBRARY})

# The engine's prefix lookups answered from its column index alone: 2,000 prefixes of 1 to 4
# letters, every match read, beside SQLite in the same run.
add_custom_target(bench-hintprefixes COMMAND qb-bench-hintsearch ${QB_HINTSEARCH_LIBRARY} --prefixes 2000
                  DEPENDS qb-bench-hintsearch ${QB_HINTSEARCH_LIBRARY} USES_TERMINAL)
add_dependencies(bench bench-hintprefixes)
