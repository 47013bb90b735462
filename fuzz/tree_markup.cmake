vnt_add_fuzz_target(tree_markup LINKS Vnt05sui)
