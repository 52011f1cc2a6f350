target_sources(pelvanto_tags PRIVATE
  PathHelpers.cpp
  clsFile.cpp
  clsFind.cpp
  clsID3v1.cpp
  clsID3v23.cpp
)
