pkg_check_modules(PELVANTO_PULSE REQUIRED IMPORTED_TARGET libpulse)
pkg_check_modules(PELVANTO_FFTW REQUIRED IMPORTED_TARGET fftw3f)
pkg_check_modules(PELVANTO_ALSA REQUIRED IMPORTED_TARGET alsa)

target_sources(pelvanto_components PRIVATE
  capture/MixerBackend.h
  capture/AudioRecord.h
  capture/AudioPlayer.h
  capture/SampleTools.h
  capture/AudioRecord.cpp
  capture/AudioPlayer.cpp
  capture/SampleTools.cpp
  capture/Dsp.h
  capture/Dsp.cpp
  capture/PulseConnection.h
  capture/PulseConnection.cpp
  capture/PulseBackend.cpp
  capture/AlsaMixer.h
  capture/AlsaMixer.cpp
)
target_link_libraries(pelvanto_components PUBLIC
  PkgConfig::PELVANTO_PULSE PkgConfig::PELVANTO_ALSA)
# The per-sample loops of the filters, the gain control and the sample conversions run for every
# captured frame: let the compiler vectorise them (element-wise, so results stay bit-identical).
set_source_files_properties(capture/Dsp.cpp capture/AudioRecord.cpp PROPERTIES COMPILE_OPTIONS -O3)

# The sample displays paint.
target_sources(pelvanto_components_ui PRIVATE
  capture/AudioDisplay.h
  capture/AudioVisualization.h
  capture/RepaintThrottle.h
  capture/AudioDisplay.cpp
  capture/AudioVisualization.cpp
  capture/RepaintThrottle.cpp
)
target_link_libraries(pelvanto_components_ui PRIVATE PkgConfig::PELVANTO_FFTW)
