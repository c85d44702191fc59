# SPDX-License-Identifier: GPL-3.0-or-later
# The query engine on a generated library of 100,000 commands: "where ID between a and b"
# through the primary key (pages read, beside the same rows by a condition no index serves) and
# "order by ID" streamed in index order (time, beside the unordered scan), same run.
qb_add_bench(jet-query ${CMAKE_CURRENT_LIST_DIR}/jetquery.cpp LINKS qb_jet
             COMMAND ${CMAKE_COMMAND} -E env $<TARGET_FILE:qb-genlibrary> ${PROJECT_BINARY_DIR}/bench/query-100k.mdb
                     --commands 100000 --categories 500
             COMMAND $<TARGET_FILE:qb-bench-jet-query> ${PROJECT_BINARY_DIR}/bench/query-100k.mdb
             DEPENDS qb-genlibrary)
