target_sources(pelvanto_tags PRIVATE
  PathHelpers.cpp
  SplitterRules.cpp
  StagedTagFile.cpp
  TagEditorSettings.cpp
  TagFolderScan.cpp
  TagMerge.cpp
  TagPreview.cpp
  TagSaveRun.cpp
  TagText.cpp
  clsFile.cpp
  clsFind.cpp
  clsID3v1.cpp
  clsID3v23.cpp
)
