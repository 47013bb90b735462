vnt_add_fuzz_target(command_line LINKS VntPlatform)
target_include_directories(fuzz_command_line PRIVATE ${CMAKE_SOURCE_DIR}/Platform/src)
