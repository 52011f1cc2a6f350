// Feeds arbitrary bytes to the MIDI file reader and, when it takes them, checks that its
// tempo map runs forward; also offers them to the module loader and renders a little.
#include "soundlib/music/MidiFile.h"
#include "soundlib/music/ModuleSource.h"

#include <cstdint>
#include <cstdlib>

using namespace pelvanto::sound;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    if (const auto midi = MidiFile::parse(input)) {
        if (midi->lengthMs() < 0 || midi->ticksToMs(midi->lengthTicks() / 2) > midi->lengthMs())
            std::abort();
        (void)midi->msToTicks(midi->lengthMs());
        (void)midi->bpmAt(midi->lengthTicks());
        (void)midi->name();
    }
    if (auto module = ModuleSource::open(input, 8000)) {
        float buffer[2 * 1024];
        for (int block = 0; block < 8 && module->read(buffer, 1024) > 0; ++block) {
        }
        for (int order = 0; order < module->numOrders(); ++order)
            (void)module->orderRows(order);
    }
    return 0;
}
