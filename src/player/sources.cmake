target_sources(pelvanto_player PRIVATE
  FMod.h
  FMod.cpp
  FModNotifier.h
  clsFMOD.h
  clsFMOD.cpp
  clsFMODMusic.cpp
  clsFMODTiming.h
)
target_sources(pelvanto_player_ui PRIVATE
  FModMessageBox.h
  FModMessageBox.cpp
)
