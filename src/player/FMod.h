#pragma once

#include <QString>

namespace pelvanto {

// Text handed back by the sound library as memory. Its text is UTF-8, this system's
// 8-bit code page.

// The NUL-terminated text at `address`, read into a buffer of 255 bytes: longer text is cut
// there (at a character boundary). Empty for a null address.
QString StringFromPtr(const char *address);

// Exactly `n` bytes from `address` and a NUL after them, as text: the result always ends in
// that NUL, which callers strip; NULs inside stay.
QString StringFromBytes(const char *address, int n);

// Text without its leading and trailing blanks (other white space stays).
QString TrimBlanks(const QString &text);

// The message for a sound library error code; "Unknown error" for codes outside the table.
QString FmodErrorString(int code);

} // namespace pelvanto
