vnt_add_fuzz_target(version_record LINKS VntPlatform)
target_include_directories(fuzz_version_record PRIVATE ${CMAKE_SOURCE_DIR}/Platform/src)
