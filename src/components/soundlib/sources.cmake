target_sources(pelvanto_components PRIVATE
  soundlib/SoundSource.h
  soundlib/SoundError.h
  soundlib/SoundError.cpp
  soundlib/StreamTags.h
  soundlib/StreamTags.cpp
  soundlib/StreamSource.h
  soundlib/StreamSource.cpp
  soundlib/Voice.h
  soundlib/Voice.cpp
  soundlib/SoundOutput.h
  soundlib/SoundOutput.cpp
  soundlib/SoundEngine.h
  soundlib/SoundEngine.cpp
  soundlib/SoundEngineMusic.cpp
  soundlib/EngineState.h
)
pkg_check_modules(PELVANTO_SOUNDLIB REQUIRED IMPORTED_TARGET samplerate libopenmpt zlib taglib)
target_link_libraries(pelvanto_components PUBLIC PkgConfig::PELVANTO_SOUNDLIB pelvanto_music
  pelvanto_cdaudio)
