vnt_add_fuzz_target(ipc_queue LINKS Vnt05bas VntPlatform)
