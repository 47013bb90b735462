vnt_add_fuzz_target(gdi_regions LINKS VntPlatform)
target_include_directories(fuzz_gdi_regions PRIVATE ${CMAKE_SOURCE_DIR}/Platform/src)
