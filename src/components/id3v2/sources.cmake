target_sources(pelvanto_components PRIVATE
  id3v2/AudioFileAccess.cpp
  id3v2/ID3v2TagComponent.cpp
)
pkg_check_modules(TAGLIB REQUIRED IMPORTED_TARGET taglib)
target_link_libraries(pelvanto_components PUBLIC PkgConfig::TAGLIB)
