pelvanto_add_fuzzer(fuzz_tags SOURCES fuzz_tags.cpp LIBS pelvanto_tags)
