# CD audio (libcdio) as a sound-library source, with bin/cue images as drives; Qt Core only.
pelvanto_core_library(pelvanto_cdaudio
  soundlib/cd/CdDrive.cpp
  soundlib/cd/CdHandle.cpp
  soundlib/cd/CdTrackSource.cpp
)
target_include_directories(pelvanto_cdaudio PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
pkg_check_modules(PELVANTO_CDAUDIO_DEPS REQUIRED IMPORTED_TARGET libcdio)
target_link_libraries(pelvanto_cdaudio PUBLIC Qt6::Core PRIVATE PkgConfig::PELVANTO_CDAUDIO_DEPS)
