target_sources(pelvanto_player PRIVATE
  FMod.h
  FMod.cpp
  FModNotifier.h
  clsFMOD.h
  clsFMOD.cpp
  clsFMODMusic.cpp
  clsFMODTiming.h
  PlayList.h
  PlayList.cpp
  PlayOrder.h
  PlayOrder.cpp
  PlayListFiles.h
  PlayListFiles.cpp
  PlayerDisplay.h
  PlayerDisplay.cpp
  PlayerTransport.h
  PlayerTransport.cpp
)
target_sources(pelvanto_player_ui PRIVATE
  FModMessageBox.h
  FModMessageBox.cpp
  SkinWidgets.h
  SkinWidgets.cpp
  MPlay3.h
  MPlay3.cpp
)
