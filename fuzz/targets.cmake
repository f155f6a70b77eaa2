# quellix_fuzz(<file name without .cpp> DEPS <libraries>)
