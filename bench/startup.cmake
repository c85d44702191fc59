# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up benchmark (included from bench/CMakeLists.txt): the main window mapped, the process
# idle, and its peak memory, with an empty library, 10,000 commands in 500 categories and
# 100,000 commands in 2,000 categories with 100,000 hints (also with its 1,000-command category
# remembered as expanded), beside Geany's empty start, all in one run. Runs under a virtual X server without a window manager.
set(QB_STARTUP_10K ${PROJECT_BINARY_DIR}/bench/startup-10k.mdb)
set(QB_STARTUP_100K ${PROJECT_BINARY_DIR}/bench/startup-100k.mdb)
add_custom_command(OUTPUT ${QB_STARTUP_10K}
                   COMMAND qb-genlibrary ${QB_STARTUP_10K} --categories 500 --commands 10000
                   DEPENDS qb-genlibrary)
add_custom_command(OUTPUT ${QB_STARTUP_100K}
                   COMMAND qb-genlibrary ${QB_STARTUP_100K} --categories 2000 --commands 100000 --hints 100000
                           --large-category 1000
                   DEPENDS qb-genlibrary)
find_package(X11 REQUIRED)
find_program(QB_XVFB_RUN xvfb-run REQUIRED)
find_program(QB_GEANY geany)
set(QB_STARTUP_GEANY)
if(QB_GEANY)
    set(QB_STARTUP_GEANY --geany ${QB_GEANY})
endif()
qb_add_bench(startup ${CMAKE_CURRENT_LIST_DIR}/startup.cpp LINKS Qt6::Core X11::X11
             COMMAND ${QB_XVFB_RUN} -a -s "-screen 0 1280x1024x24 -noreset" ${PROJECT_BINARY_DIR}/bench/qb-bench-startup
                     $<TARGET_FILE:quillbox> --library "10,000 commands=${QB_STARTUP_10K}"
                     --library "100,000 commands=${QB_STARTUP_100K}"
                     --library "100,000, remembered=${QB_STARTUP_100K}=1" ${QB_STARTUP_GEANY}
             DEPENDS quillbox ${QB_STARTUP_10K} ${QB_STARTUP_100K})
