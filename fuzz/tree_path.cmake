vnt_add_fuzz_target(tree_path LINKS Vnt05sui)
