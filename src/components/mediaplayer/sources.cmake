target_sources(pelvanto_components PRIVATE
  mediaplayer/MediaPlayer.h
  mediaplayer/MediaPlayer.cpp
)
