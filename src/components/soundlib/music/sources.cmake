# Tracker modules (libopenmpt) and MIDI (FluidSynth) as sound-library sources; Qt Core only.
pelvanto_core_library(pelvanto_music
  soundlib/music/MidiFile.cpp
  soundlib/music/MidiSource.cpp
  soundlib/music/ModuleSource.cpp
  soundlib/music/MusicSource.cpp
)
target_include_directories(pelvanto_music PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
pkg_check_modules(PELVANTO_MUSIC_DEPS REQUIRED IMPORTED_TARGET libopenmpt fluidsynth)
target_link_libraries(pelvanto_music PUBLIC Qt6::Core PRIVATE PkgConfig::PELVANTO_MUSIC_DEPS)
