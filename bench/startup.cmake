# Start-up benchmark (included from bench/CMakeLists.txt): time from process start to the main
# window's first paint, with an empty library and with a generated one of 500 categories and
# 10,000 commands. Goal: under 0.5 s for both. Runs under a virtual X server when no display.
add_executable(qb-bench-startup ${CMAKE_CURRENT_LIST_DIR}/startup.cpp)
target_link_libraries(qb-bench-startup PRIVATE Qt6::Core)
set_target_properties(qb-bench-startup PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bench)
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
if(NOT TARGET bench)
    add_custom_target(bench)
endif()
add_custom_target(bench-startup COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=xcb ${QB_STARTUP_COMMAND}
                  DEPENDS qb-bench-startup quillbox ${QB_STARTUP_LIBRARY} USES_TERMINAL)
add_dependencies(bench bench-startup)
