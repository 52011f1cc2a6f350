// Feeds arbitrary bytes as a whole file to the stream tag reader and the wrapper's byte rules:
// nothing may crash or read out of bounds, every field has a name, and the text rules take
// every value the reader hands out.
#include "FMod.h"
#include "soundlib/StreamTags.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    // Inputs starting with an even byte get a consistent tag header of version 2 to 4 and
    // the first byte's flags, so that the mutations reach the frames.
    if (size >= 2 && (data[0] & 1) == 0) {
        const quint32 body = static_cast<quint32>(size - 2) & 0x0FFFFFFF;
        QByteArray header("ID3");
        header += char(2 + data[1] % 3);
        header += char(0);
        header += char(data[0] & 0xF0);
        for (int shift : {21, 14, 7, 0})
            header += char((body >> shift) & 0x7F);
        input = header + input.mid(2);
    }
    const auto tags = pelvanto::sound::StreamTags::fromBytes(input);
    for (const auto &field : tags.fields()) {
        if (field.name.isEmpty() || (field.type != 1 && field.type != 2))
            std::abort();
        if (field.value.constData()[field.value.size()] != '\0')
            std::abort();
        const QString text = pelvanto::StringFromBytes(field.value.constData(),
                                                       static_cast<int>(field.value.size()));
        if (text.isEmpty() || text.back() != QChar(0))
            std::abort();
        (void)pelvanto::StringFromPtr(field.value.constData());
        if (tags.find(field.type, field.name) == nullptr)
            std::abort();
    }
    if (tags.audioStart() < 0 || tags.audioStart() > input.size())
        std::abort();
    return 0;
}
