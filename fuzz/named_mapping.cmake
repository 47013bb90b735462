vnt_add_fuzz_target(named_mapping LINKS VntPlatform)
target_include_directories(fuzz_named_mapping PRIVATE ${CMAKE_SOURCE_DIR}/Platform/src)
