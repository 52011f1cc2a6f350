target_sources(pelvanto_components PRIVATE
  audiofile/AudioFile.cpp
  audiofile/BackgroundWriter.cpp
  audiofile/BackgroundWriter.h
  audiofile/BlockSink.h
  audiofile/Detail.h
  audiofile/FfmpegReader.cpp
  audiofile/Formats.cpp
  audiofile/G726Codec.cpp
  audiofile/LameCodec.cpp
  audiofile/Mp3EncoderSettings.cpp
  audiofile/SndfileCodecs.cpp
  audiofile/VorbisCodec.cpp
  audiofile/VorbisReader.cpp
  audiofile/WmaCodec.cpp
  audiofile/Writer.cpp
)
# The window the main window installs as the component's WAV format chooser.
target_sources(pelvanto_components_ui PRIVATE
  audiofile/WavFormatDialog.cpp
  audiofile/WavFormatDialog.h
)

find_path(PELVANTO_LAME_INCLUDE_DIR lame/lame.h REQUIRED)
find_library(PELVANTO_LAME_LIBRARY mp3lame REQUIRED)
pkg_check_modules(PELVANTO_AUDIOFILE_DEPS REQUIRED IMPORTED_TARGET
  sndfile vorbisenc vorbisfile vorbis ogg spandsp libavformat libavcodec libswresample libavutil)
target_include_directories(pelvanto_components PUBLIC ${PELVANTO_LAME_INCLUDE_DIR})
target_link_libraries(pelvanto_components PUBLIC ${PELVANTO_LAME_LIBRARY} PkgConfig::PELVANTO_AUDIOFILE_DEPS)
