vnt_add_fuzz_target(vbpath_text LINKS Vnt05bas)
