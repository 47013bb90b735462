vnt_add_fuzz_target(picture_file LINKS VntPlatform)
target_include_directories(fuzz_picture_file PRIVATE ${CMAKE_SOURCE_DIR}/Platform/src)
