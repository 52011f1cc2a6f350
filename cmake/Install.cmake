# Installing Pelvanto the usual Linux way, desktop integration and the Debian
# package. The build tree stays a portable copy: the same resources are placed
# next to the executable there.
#
#   <prefix>/bin/pelvanto
#   <prefix>/share/pelvanto/{help,skins,defaults,icons}    found by findResource()
#   <prefix>/share/applications/org.pelvanto.Pelvanto.desktop
#   <prefix>/share/metainfo/org.pelvanto.Pelvanto.metainfo.xml
#   <prefix>/share/icons/hicolor/{scalable,NxN}/apps/org.pelvanto.Pelvanto.{svg,png}
include(GNUInstallDirs)

set(PELVANTO_APP_ID org.pelvanto.Pelvanto)
set(PELVANTO_RELEASE_DATE 2026-12-08)
set(PELVANTO_DATA_DIR ${CMAKE_INSTALL_DATADIR}/pelvanto)
set(PELVANTO_RESOURCES ${PROJECT_SOURCE_DIR}/resources)
set(PELVANTO_ICON_SIZES 16 22 24 32 48 64 128 256)

target_compile_definitions(pelvanto PRIVATE PELVANTO_VERSION="${PROJECT_VERSION}")

# Icon sizes are drawn from the one SVG at build time.
find_program(PELVANTO_RSVG_CONVERT rsvg-convert)
if(NOT PELVANTO_RSVG_CONVERT)
  message(FATAL_ERROR "rsvg-convert not found: install librsvg2-bin (tools/setup.sh does)")
endif()
set(icon_svg ${PELVANTO_RESOURCES}/icons/pelvanto.svg)
set(build_icons ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/icons)
set(resource_outputs)
foreach(size ${PELVANTO_ICON_SIZES})
  set(png ${build_icons}/pelvanto-${size}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${build_icons}
    COMMAND ${PELVANTO_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${icon_svg}
    DEPENDS ${icon_svg} VERBATIM)
  list(APPEND resource_outputs ${png})
endforeach()

# Default settings for a first start; the portable copy finds them under defaults/.
set(build_defaults ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/defaults/settings.dat)
add_custom_command(OUTPUT ${build_defaults}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PELVANTO_RESOURCES}/defaults/settings.dat
          ${build_defaults}
  DEPENDS ${PELVANTO_RESOURCES}/defaults/settings.dat VERBATIM)
list(APPEND resource_outputs ${build_defaults})

configure_file(${PELVANTO_RESOURCES}/desktop/${PELVANTO_APP_ID}.metainfo.xml.in
  ${CMAKE_BINARY_DIR}/${PELVANTO_APP_ID}.metainfo.xml @ONLY)

add_custom_target(pelvanto_resources ALL DEPENDS ${resource_outputs})
add_dependencies(pelvanto pelvanto_resources)

install(TARGETS pelvanto RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PELVANTO_RESOURCES}/help/ DESTINATION ${PELVANTO_DATA_DIR}/help)
install(FILES ${PELVANTO_RESOURCES}/skins/frmmain.skn DESTINATION ${PELVANTO_DATA_DIR}/skins)
install(FILES ${PELVANTO_RESOURCES}/defaults/settings.dat DESTINATION ${PELVANTO_DATA_DIR}/defaults)
install(FILES ${icon_svg} DESTINATION ${PELVANTO_DATA_DIR}/icons)
install(FILES ${PELVANTO_RESOURCES}/desktop/${PELVANTO_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/${PELVANTO_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
  RENAME ${PELVANTO_APP_ID}.svg)
foreach(size ${PELVANTO_ICON_SIZES})
  install(FILES ${build_icons}/pelvanto-${size}.png DESTINATION ${PELVANTO_DATA_DIR}/icons)
  install(FILES ${build_icons}/pelvanto-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME ${PELVANTO_APP_ID}.png)
endforeach()

# Debian package: cmake --build --preset default --target package
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelvanto)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Pelvanto developers")
set(CPACK_PACKAGE_CONTACT "The Pelvanto developers <developers@pelvanto.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sound recorder for microphone, line input and desktop sound")
set(CPACK_PACKAGE_DESCRIPTION
  "Pelvanto records a microphone, a line input or whatever other programs play\n"
  "straight into WAV (PCM, ADPCM, GSM), MP3, Ogg Vorbis, VOX, RAW or G.726 files,\n"
  "named from a folder, a prefix and the date and time. Around the recorder sit\n"
  "scheduled recordings, a list of recordings saved as projects, input filters,\n"
  "automatic gain control, a tray icon and the hotkeys Ctrl+R and Ctrl+S.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.pelvanto.org/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so the library scan cannot see them: Qt's platform
# plugins, a sound server to record from, a General MIDI sound font.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "pulseaudio | pipewire-pulse, xdg-utils, timgm6mb-soundfont | fluid-soundfont-gm")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "pavucontrol")
include(CPack)

if(BUILD_TESTING)
  add_subdirectory(${PROJECT_SOURCE_DIR}/tests/install ${CMAKE_BINARY_DIR}/tests/install)
endif()
