#pragma once

namespace pelvanto {

// The icon of a message that logic without windows hands to the window that shows it.
enum class MessageIcon { Information, Warning, Critical, Question };

} // namespace pelvanto
