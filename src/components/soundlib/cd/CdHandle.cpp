#include "soundlib/cd/CdHandle.h"

#include <QFile>

namespace pelvanto::sound {

std::unique_ptr<CdHandle> CdHandle::open(const QString &path, bool image) {
    CdIo_t *handle =
        cdio_open(QFile::encodeName(path).constData(), image ? DRIVER_BINCUE : DRIVER_DEVICE);
    if (!handle)
        return nullptr;
    return std::unique_ptr<CdHandle>(new CdHandle(handle));
}

CdHandle::~CdHandle() {
    if (handle_)
        cdio_destroy(handle_);
}

bool CdHandle::eject() {
    return handle_ && cdio_eject_media(&handle_) == DRIVER_OP_SUCCESS;
}

} // namespace pelvanto::sound
