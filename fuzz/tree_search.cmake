vnt_add_fuzz_target(tree_search LINKS Vnt05sui)
