vnt_add_fuzz_target(icon_file LINKS VntPlatform)
target_include_directories(fuzz_icon_file PRIVATE ${CMAKE_SOURCE_DIR}/Platform/src)
