# quellix_fuzz(<file name without .cpp> DEPS <libraries>)
quellix_fuzz(fuzz_registry_reader DEPS platform_registry)
