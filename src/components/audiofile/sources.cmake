target_sources(pelvanto_components PRIVATE
  audiofile/Mp3EncoderSettings.cpp
)

find_path(PELVANTO_LAME_INCLUDE_DIR lame/lame.h REQUIRED)
find_library(PELVANTO_LAME_LIBRARY mp3lame REQUIRED)
pkg_check_modules(PELVANTO_AUDIOFILE_DEPS REQUIRED IMPORTED_TARGET
  sndfile vorbisenc vorbis ogg spandsp libavformat libavcodec libswresample libavutil)
target_include_directories(pelvanto_components PUBLIC ${PELVANTO_LAME_INCLUDE_DIR})
target_link_libraries(pelvanto_components PUBLIC ${PELVANTO_LAME_LIBRARY} PkgConfig::PELVANTO_AUDIOFILE_DEPS)
