vnt_add_fuzz_target(icon_load LINKS Vnt05bas)
