vnt_add_fuzz_target(dn_builtin LINKS Vnt05bas)
