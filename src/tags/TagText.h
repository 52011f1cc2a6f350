#pragma once

#include <QString>

namespace pelvanto {

// Every space-separated word with its first letter upper case and the rest lower case:
// "indie" gives Indie, "JPop" Jpop, "Hip-Hop" Hip-hop.
QString ProperCase(const QString &text);

// A song title made from a file name: the text after the last "-" of the name (without
// folder and extension), cleaned; empty when the name holds no "-".
// "Some Artist - the_best%20of (live).mp3" gives The Best Of (Live).
QString GrabTitle(const QString &path);

// "_" and "%20" as spaces, proper case, and an upper-case letter after any of [ ( { . / \ -.
QString CleanTitle(const QString &title);

// The number a text starts with, after leading blanks ("12abc" 12, "01" 1, "x" 0);
// a fraction is rounded to the nearest whole number.
qint64 LeadingNumber(const QString &text);

// A genre without its leading "(number)" reference: (17)Rock gives Rock, (17) nothing;
// a value that starts with "(" but holds no ")" stays whole.
QString WithoutGenreReference(const QString &genre);

} // namespace pelvanto
