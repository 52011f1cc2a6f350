// Feeds arbitrary bytes as a whole file to the stream tag reader and the wrapper's byte rules:
// nothing may crash or read out of bounds, every field has a name, and the text rules take
// every value the reader hands out.
#include "FMod.h"
#include "Id3HeaderInput.h"
#include "soundlib/StreamTags.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray input = id3HeaderInput(data, size);
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
