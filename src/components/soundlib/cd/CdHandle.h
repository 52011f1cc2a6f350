#pragma once

#include <QString>

#include <cdio/cdio.h>

#include <memory>

namespace pelvanto::sound {

// An open libcdio handle on a drive or a bin/cue image, closed with the object. Included by
// the CD sources only, so that their public headers do not carry libcdio's declarations.
class CdHandle {
public:
    // Null when libcdio cannot open it.
    static std::unique_ptr<CdHandle> open(const QString &path, bool image);
    ~CdHandle();
    CdHandle(const CdHandle &) = delete;
    CdHandle &operator=(const CdHandle &) = delete;

    CdIo_t *get() const { return handle_; }
    // Opens the tray; libcdio closes the handle when it does, and get() is null afterwards.
    bool eject();

private:
    explicit CdHandle(CdIo_t *handle) : handle_(handle) {}
    CdIo_t *handle_;
};

} // namespace pelvanto::sound
