vnt_add_fuzz_target(menu_template LINKS VntPlatform)
target_include_directories(fuzz_menu_template PRIVATE ${CMAKE_SOURCE_DIR}/Platform/src)
