pelvanto_add_fuzzer(fuzz_rpf SOURCES fuzz_rpf.cpp LIBS pelvanto_app)
