vnt_add_fuzz_target(gui_markup LINKS Vnt05sui)
