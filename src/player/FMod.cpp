#include "FMod.h"

#include "soundlib/SoundError.h"

#include <QByteArray>

#include <cstring>

namespace pelvanto {

namespace {
constexpr qsizetype kPtrBuffer = 255;
} // namespace

QString StringFromPtr(const char *address) {
    if (address == nullptr)
        return {};
    qsizetype length = static_cast<qsizetype>(strnlen(address, kPtrBuffer + 1));
    if (length > kPtrBuffer) {
        length = kPtrBuffer;
        // Do not split a character: back off over its continuation bytes.
        while (length > 0 && (static_cast<unsigned char>(address[length]) & 0xC0) == 0x80)
            --length;
    }
    return QString::fromUtf8(address, length);
}

QString StringFromBytes(const char *address, int n) {
    QByteArray buffer(n > 0 ? n + 1 : 1, '\0');
    if (address != nullptr && n > 0)
        std::memcpy(buffer.data(), address, static_cast<size_t>(n));
    return QString::fromUtf8(buffer.constData(), buffer.size());
}

QString TrimBlanks(const QString &text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start] == QLatin1Char(' '))
        ++start;
    while (end > start && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(start, end - start);
}

QString FmodErrorString(int code) {
    return sound::errorText(code);
}

} // namespace pelvanto
