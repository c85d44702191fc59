# SPDX-License-Identifier: GPL-3.0-or-later
# Typing benchmark (included from bench/CMakeLists.txt): the hints' typing method against
# `xdotool type` of the same 2,000 characters into the test client. Goal: at least as fast as
# xdotool and exact. Runs under a virtual X server of its own.
find_program(QB_XVFB_RUN xvfb-run)
set(QB_TYPING_COMMAND ${PROJECT_BINARY_DIR}/bench/qb-bench-typing $<TARGET_FILE:qb-testclient>)
if(QB_XVFB_RUN)
    set(QB_TYPING_COMMAND ${QB_XVFB_RUN} -a -s "-screen 0 1280x1024x24" ${QB_TYPING_COMMAND})
endif()
qb_add_bench(typing ${CMAKE_CURRENT_LIST_DIR}/typing.cpp LINKS qb_platform_x11 Qt6::Gui X11::X11
             COMMAND ${QB_TYPING_COMMAND} DEPENDS qb-testclient)
