# quellix_bench(<file name without .cpp> DEPS <libraries>)
