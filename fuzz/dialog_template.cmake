vnt_add_fuzz_target(dialog_template LINKS VntPlatform)
target_include_directories(fuzz_dialog_template PRIVATE ${CMAKE_SOURCE_DIR}/Platform/src)
