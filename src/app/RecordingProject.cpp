#include "RecordingProject.h"

#include "platform/TextLines.h"

#include <QFile>

namespace pelvanto::RecordingProject {

namespace {

// A project lists recordings; anything far larger is not a project.
constexpr qint64 kMaxProjectBytes = qint64{64} * 1024 * 1024;

} // namespace

QList<RecordedItem> parse(const QByteArray &data) {
    QList<RecordedItem> items;
    for (const QByteArray &line : splitTextLines(data)) {
        // A blank line ends the project like any short line, but adds no empty row.
        if (line.isEmpty())
            break;
        const QList<QByteArray> f = line.split('\t');
        auto field = [&f](qsizetype i) {
            return i < f.size() ? QString::fromUtf8(f[i]) : QString();
        };
        items.append(RecordedItem{field(0), field(1), field(2), field(3), field(4)});
        // A line of fewer than five fields is where the project ends: what was read stays,
        // that line's row keeps the fields it has.
        if (f.size() < 5)
            break;
    }
    return items;
}

QByteArray serialize(const QList<RecordedItem> &items) {
    QByteArray out;
    for (const RecordedItem &item : items)
        out += tabRow({item.number, item.path, item.size, item.duration, item.recordTime});
    return out;
}

std::optional<QList<RecordedItem>> load(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parse(file.read(kMaxProjectBytes));
}

int appendProjects(RecordedFiles &list, const QStringList &paths) {
    int added = 0;
    for (const QString &path : paths) {
        if (path.isEmpty())
            continue;
        if (const auto items = load(path)) {
            list.appendLoaded(*items);
            added += static_cast<int>(items->size());
        }
    }
    return added;
}

bool save(const QString &path, const QList<RecordedItem> &items) {
    return saveFileAtomically(path, serialize(items));
}

} // namespace pelvanto::RecordingProject
