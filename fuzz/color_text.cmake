vnt_add_fuzz_target(color_text LINKS Vnt05bas)
