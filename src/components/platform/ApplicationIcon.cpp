#include "ApplicationIcon.h"

#include "ProgramFolder.h"

namespace pelvanto {

QIcon applicationIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString path = findResource(QStringLiteral("icons/pelvanto-%1.png").arg(size));
        if (!path.isEmpty())
            icon.addFile(path, QSize(size, size));
    }
    return icon;
}

} // namespace pelvanto
