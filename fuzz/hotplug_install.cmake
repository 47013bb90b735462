vnt_add_fuzz_target(hotplug_install LINKS Vnt05bas)
# The installation-string reader is internal to the base library: the target builds its own copy.
target_sources(fuzz_hotplug_install PRIVATE ${CMAKE_SOURCE_DIR}/VantBase/src/hotplug/vbHotPlugInstall.cpp)
target_include_directories(fuzz_hotplug_install PRIVATE ${CMAKE_SOURCE_DIR}/VantBase/src)
