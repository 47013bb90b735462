vnt_add_fuzz_target(dn_url LINKS Vnt05bas)
