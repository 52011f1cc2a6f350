pelvanto_add_fuzzer(fuzz_music SOURCES fuzz_music.cpp LIBS pelvanto_music)
