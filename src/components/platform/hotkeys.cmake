# System-wide hotkeys: key grabs on Qt's own X connection.
pkg_check_modules(PELVANTO_XCB REQUIRED IMPORTED_TARGET GLOBAL xcb xcb-keysyms)
target_sources(pelvanto_components_ui PRIVATE platform/GlobalHotkeys.cpp)
target_link_libraries(pelvanto_components_ui PRIVATE PkgConfig::PELVANTO_XCB)
