vnt_add_fuzz_target(registry_value LINKS Vnt05bas)
# The value mapping is internal to the base library: the target builds its own copy.
target_sources(fuzz_registry_value PRIVATE ${CMAKE_SOURCE_DIR}/VantBase/src/registry/vbRegValue.cpp)
target_include_directories(fuzz_registry_value PRIVATE ${CMAKE_SOURCE_DIR}/VantBase/src)
