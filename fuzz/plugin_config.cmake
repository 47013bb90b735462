vnt_add_fuzz_target(plugin_config LINKS Vnt05bas)
# An input run after another must leave the registry as it leaves it alone.
if(NOT VNT_LIBFUZZER)
  add_executable(fuzz_plugin_config_alone plugin_config.cpp plugin_config_alone.cpp)
  target_link_libraries(fuzz_plugin_config_alone PRIVATE Vnt05bas)
  add_test(NAME fuzz_alone.plugin_config COMMAND fuzz_plugin_config_alone)
endif()
