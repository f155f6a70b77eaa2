# quellix_module(<name> SOURCES ... DEPS ...)
