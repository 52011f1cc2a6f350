target_sources(pelvanto_components PRIVATE
  platform/ProgramFolder.cpp
  platform/SingleInstance.cpp
  platform/MessageBox.cpp
  platform/Skin.cpp
)
