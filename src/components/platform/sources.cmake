target_sources(pelvanto_components PRIVATE
  platform/ProgramFolder.cpp
  platform/SingleInstance.cpp
  platform/MessageBox.cpp
  platform/Skin.cpp
  platform/TextLines.cpp
  platform/ShellOpen.cpp
  platform/MixerLauncher.cpp
  platform/HelpOpener.cpp
  platform/ApplicationIcon.cpp
)
include(${CMAKE_CURRENT_LIST_DIR}/hotkeys.cmake)
