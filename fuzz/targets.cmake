# quellix_fuzz(<file name without .cpp> DEPS <libraries>)
quellix_fuzz(fuzz_registry_reader DEPS platform_registry)
quellix_fuzz(fuzz_wave_reader DEPS engine)
quellix_fuzz(fuzz_form_reader DEPS platform_vcl)
