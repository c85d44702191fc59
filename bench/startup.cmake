# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up benchmark (included from bench/CMakeLists.txt): time from process start to the main
# window's first paint, with an empty library and with a generated one of 500 categories and
# 10,000 commands. Goal: under 0.5 s for both. Runs under a virtual X server when no display.
set(QB_STARTUP_LIBRARY ${PROJECT_BINARY_DIR}/bench/startup-library.mdb)
add_custom_command(OUTPUT ${QB_STARTUP_LIBRARY}
                   COMMAND qb-genlibrary ${QB_STARTUP_LIBRARY} --categories 500 --commands 10000
                   DEPENDS qb-genlibrary)
find_program(QB_XVFB_RUN xvfb-run)
set(QB_STARTUP_COMMAND qb-bench-startup $<TARGET_FILE:quillbox> ${QB_STARTUP_LIBRARY})
if(QB_XVFB_RUN)
    set(QB_STARTUP_COMMAND ${QB_XVFB_RUN} -a -s "-screen 0 1280x1024x24" ${PROJECT_BINARY_DIR}/bench/qb-bench-startup
        $<TARGET_FILE:quillbox> ${QB_STARTUP_LIBRARY})
endif()
qb_add_bench(startup ${CMAKE_CURRENT_LIST_DIR}/startup.cpp LINKS Qt6::Core
             COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=xcb ${QB_STARTUP_COMMAND}
             DEPENDS quillbox ${QB_STARTUP_LIBRARY})
