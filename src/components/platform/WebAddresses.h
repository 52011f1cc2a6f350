#pragma once

namespace pelvanto {

// The maker's addresses on the web. The tray's "Pelvanto On the Web" entry and
// the About window's link lead to the home page; the Help menu has both.
inline constexpr const char *kHomePageUrl = "https://www.pelvanto.org/";
inline constexpr const char *kSupportUrl = "https://www.pelvanto.org/support/";
inline constexpr const char *kOnTheWebUrl = kHomePageUrl;

} // namespace pelvanto
