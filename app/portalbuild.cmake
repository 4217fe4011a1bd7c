# portalbuild: the headless compiler, a thin main around the core.
add_executable(portalbuild portalbuild_main.cpp build_summary.cpp)
target_link_libraries(portalbuild PRIVATE portalwalk_core)
