' Prints the malloc tunables the tool was started with.
Print System.EnvironmentVariable("GLIBC_TUNABLES")
