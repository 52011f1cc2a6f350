#pragma once

#include <QList>
#include <QString>

#include <optional>

// How the readers of settings.dat interpret stored text, in one place.
namespace pelvanto::settingsvalue {

// The text is a number in the ordinary sense (blanks around it allowed).
std::optional<double> asNumber(const QString &text);

// Flag keys: a number counts as on only when it equals 1; anything that is not
// a number at all, an absent key included, counts as on.
bool flagIsOn(const QString &text);

// Text-to-integer conversions of the start-up reads: halves round to even, and
// a text that is not a number or is out of range does not convert.
std::optional<qint16> toInt16(const QString &text);
std::optional<qint32> toInt32(const QString &text);
std::optional<float> toSingle(const QString &text);

// The leading number of a text ("3abc" gives 3, "" gives 0).
double leadingNumber(const QString &text);

// Index into the output format list: the leading number of the stored text,
// 0 when it is not an index of the list.
int outputFormatIndex(const QString &text, int listSize = 6);

// An option window's pick: the stored number when it is one of the allowed
// values, else the fall-back.
int pickAllowed(const QString &text, const QList<int> &allowed, int fallback);

} // namespace pelvanto::settingsvalue
