target_sources(pelvanto_components PRIVATE
  platform/ProgramFolder.cpp
  platform/SingleInstance.cpp
  platform/TextLines.cpp
  platform/MixerLauncher.cpp
  platform/LocaleDateTime.cpp
)
# Message boxes, the skin and what opens through the desktop need Qt Gui.
target_sources(pelvanto_components_ui PRIVATE
  platform/MessageBox.cpp
  platform/Skin.cpp
  platform/ShellOpen.cpp
  platform/HelpOpener.cpp
  platform/ApplicationIcon.cpp
)
include(${CMAKE_CURRENT_LIST_DIR}/hotkeys.cmake)
