#include "TagEditorSettings.h"

#include <QSettings>

namespace pelvanto {

namespace {

const QString kSection = QStringLiteral("Settings");

bool readNumber(QSettings &store, const QString &key, int &value) {
    const QVariant stored = store.value(key);
    if (!stored.isValid())
        return true;
    bool ok = false;
    const int number = stored.toString().trimmed().toInt(&ok);
    if (ok)
        value = number;
    return ok;
}

} // namespace

std::unique_ptr<QSettings> TagEditorSettings::UserStore() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Pelvanto"), QStringLiteral("tavimor"));
}

TagEditorSettings TagEditorSettings::Load(QSettings &store) {
    TagEditorSettings s;
    store.beginGroup(kSection);
    bool ok = true;
    for (int k = 0; k < 3 && ok; ++k) {
        int value = s.options[static_cast<size_t>(k)] ? 1 : 0;
        ok = readNumber(store, QStringLiteral("opt%1").arg(k), value);
        if (ok)
            s.options[static_cast<size_t>(k)] = value != 0;
    }
    ok = ok && readNumber(store, QStringLiteral("folderwidth"), s.folderWidth);
    if (ok)
        s.folder = store.value(QStringLiteral("folder")).toString();
    store.endGroup();
    return s;
}

void TagEditorSettings::Save(QSettings &store) const {
    store.beginGroup(kSection);
    for (int k = 0; k < 3; ++k)
        store.setValue(QStringLiteral("opt%1").arg(k),
                       QString::number(options[static_cast<size_t>(k)] ? 1 : 0));
    store.setValue(QStringLiteral("folderwidth"), QString::number(folderWidth));
    store.setValue(QStringLiteral("folder"), folder);
    store.endGroup();
}

} // namespace pelvanto
