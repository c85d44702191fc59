# SPDX-License-Identifier: GPL-3.0-or-later
# Opening a 20 MB GBK script until the editor has painted it (goal: within 1.5 times the floor
# of converting the bytes and handing them to the component). Included from bench/CMakeLists.txt.
qb_add_bench(scriptopen ${CMAKE_CURRENT_LIST_DIR}/scriptopen.cpp LINKS qb_editor_ui)
