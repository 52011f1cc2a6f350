#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>

// Fuzz input as the start of an MP3 file. Inputs starting with an even byte get a consistent
// ID3v2 header of version 2 to 4 (flags from the second byte) in place of their first two
// bytes, so that the mutations reach the frames.
inline QByteArray id3HeaderInput(const uint8_t *data, size_t size) {
    QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    if (size < 2 || (data[0] & 1) != 0)
        return input;
    const quint32 body = static_cast<quint32>(size - 2) & 0x0FFFFFFF;
    QByteArray header("ID3");
    header += char(2 + data[1] % 3);
    header += char(0);
    header += char(data[1] & 0xF0);
    for (int shift : {21, 14, 7, 0})
        header += char((body >> shift) & 0x7F);
    return header + input.mid(2);
}
