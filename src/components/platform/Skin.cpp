#include "Skin.h"

#include "ProgramFolder.h"

#include <QFile>
#include <QWidget>

namespace pelvanto {

namespace {
// A skin is a style sheet, not a data dump; a larger file is not one of ours.
constexpr qint64 kMaxSkinBytes = 1 << 20;
} // namespace

QString Skin::skinPath() {
    return findResource(QStringLiteral("skins/frmmain.skn"));
}

bool Skin::applyTo(QWidget *window) {
    const QString path = skinPath();
    if (!window || path.isEmpty())
        return false;
    QFile file(path);
    if (file.size() > kMaxSkinBytes || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    const QString sheet = QString::fromUtf8(file.readAll());
    window->setStyleSheet(sheet);
    return true;
}

} // namespace pelvanto
