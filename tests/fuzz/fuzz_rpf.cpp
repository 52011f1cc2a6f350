// Feeds arbitrary bytes as a recording project: loading must not crash, and
// what was loaded is written and read back unchanged.
#include "RecordingProject.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    namespace project = pelvanto::RecordingProject;
    const auto items = project::parse(
        QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    if (project::parse(project::serialize(items)) != items)
        std::abort();
    pelvanto::RecordedFiles list;
    list.appendLoaded(items);
    if (list.count() > 1) {
        list.remove(list.count() / 2);
        for (int i = 0; i < list.count(); ++i)
            if (list.items()[i].number != QString::number(i + 1))
                std::abort();
    }
    return 0;
}
