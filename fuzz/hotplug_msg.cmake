vnt_add_fuzz_target(hotplug_msg LINKS Vnt05bas)
target_include_directories(fuzz_hotplug_msg PRIVATE ${CMAKE_SOURCE_DIR}/VantBase/src)
