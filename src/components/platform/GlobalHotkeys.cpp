#include "GlobalHotkeys.h"

#include "MessageBox.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>
#include <memory>

namespace pelvanto {

namespace {

constexpr std::uint32_t kKeysymR = 0x0072;       // XK_r
constexpr std::uint32_t kKeysymS = 0x0073;       // XK_s
constexpr std::uint32_t kKeysymNumLock = 0xff7f; // XK_Num_Lock
constexpr std::uint16_t kFallbackNumLock = XCB_MOD_MASK_2;
constexpr std::uint8_t kBadAccess = 10;

struct KeySymbolsDeleter {
    void operator()(xcb_key_symbols_t *symbols) const { xcb_key_symbols_free(symbols); }
};
using KeySymbols = std::unique_ptr<xcb_key_symbols_t, KeySymbolsDeleter>;

// Every keycode that carries the symbol, in any shift level.
QList<std::uint8_t> keycodesFor(xcb_key_symbols_t *symbols, std::uint32_t keysym) {
    QList<std::uint8_t> codes;
    xcb_keycode_t *found = xcb_key_symbols_get_keycode(symbols, keysym);
    if (!found)
        return codes;
    for (const xcb_keycode_t *k = found; *k != XCB_NO_SYMBOL; ++k) {
        if (!codes.contains(*k))
            codes.append(*k);
    }
    std::free(found); // NOLINT(cppcoreguidelines-no-malloc): allocated by xcb-keysyms
    return codes;
}

// XKB events share one event type; the second byte tells which they are.
bool isKeymapChange(const xcb_generic_event_t *event) {
    constexpr std::uint8_t kNewKeyboardNotify = 0;
    constexpr std::uint8_t kMapNotify = 1;
    const auto xkbType = reinterpret_cast<const std::uint8_t *>(event)[1];
    return xkbType == kNewKeyboardNotify || xkbType == kMapNotify;
}

xcb_connection_t *x11Connection() {
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!app)
        return nullptr;
    auto *x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

} // namespace

GlobalHotkeys::GlobalHotkeys(QObject *parent) : QObject(parent) {
    keys_[0].id = RecordId;
    keys_[0].keysym = kKeysymR;
    keys_[1].id = StopId;
    keys_[1].keysym = kKeysymS;

    connection_ = x11Connection();
    if (!connection_ || xcb_connection_has_error(connection_) != 0) {
        connection_ = nullptr;
        for (Key &key : keys_)
            key.state = Registration::Unavailable;
        return;
    }
    for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection_));
         it.rem > 0; xcb_screen_next(&it))
        roots_.append(it.data->root);
    // Handlers may run an event loop of their own; let them run after the
    // native event has been dispatched.
    connect(this, &GlobalHotkeys::grabbedKeyPressed, this, &GlobalHotkeys::hotkeyPressed,
            Qt::QueuedConnection);
    // A new keyboard layout moves keys to other keycodes: grab them afresh.
    connect(this, &GlobalHotkeys::keyboardChanged, this, &GlobalHotkeys::refreshGrabs,
            Qt::QueuedConnection);
    xkbEvent_ = xkbEventType();
    QCoreApplication::instance()->installNativeEventFilter(this);
    filterInstalled_ = true;
}

int GlobalHotkeys::xkbEventType() const {
    static constexpr char kName[] = "XKEYBOARD";
    xcb_query_extension_reply_t *reply = xcb_query_extension_reply(
        connection_, xcb_query_extension(connection_, sizeof kName - 1, kName), nullptr);
    const int type = reply && reply->present ? reply->first_event : -1;
    std::free(reply); // NOLINT(cppcoreguidelines-no-malloc): allocated by xcb
    return type;
}

void GlobalHotkeys::refreshGrabs() {
    refreshPending_ = false;
    if (!connection_)
        return;
    const std::uint16_t numLock = numLockMask();
    const bool modifiersMoved = numLock != numLockMask_;
    numLockMask_ = numLock;
    for (Key &key : keys_) {
        // A key missing from the old layout may be on the new one; a key
        // another program holds stays with it.
        const bool held = key.state == Registration::Registered;
        if (!held && key.state != Registration::Failed)
            continue;
        KeySymbols symbols(xcb_key_symbols_alloc(connection_));
        const QList<std::uint8_t> codes =
            symbols ? keycodesFor(symbols.get(), key.keysym) : QList<std::uint8_t>();
        if (held && codes == key.keycodes && !modifiersMoved)
            continue;
        if (held)
            ungrab(key); // the keycodes and modifiers grabbed before
        key.state = grab(key);
    }
    xcb_flush(connection_);
}

GlobalHotkeys::~GlobalHotkeys() {
    // Once the application object is gone its X connection is closed, and the
    // server has dropped our grabs with it.
    if (!QCoreApplication::instance())
        return;
    unregisterHotkeys();
    if (filterInstalled_)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool GlobalHotkeys::registerHotkeys() {
    if (!connection_)
        return false;
    numLockMask_ = numLockMask();
    bool all = true;
    for (Key &key : keys_) {
        if (key.state != Registration::Registered)
            key.state = grab(key);
        all = all && key.state == Registration::Registered;
    }
    return all;
}

void GlobalHotkeys::unregisterHotkeys() {
    if (!connection_)
        return;
    for (Key &key : keys_) {
        if (key.state == Registration::Registered) {
            ungrab(key);
            key.state = Registration::NotTried;
        }
    }
    xcb_flush(connection_);
}

GlobalHotkeys::Registration GlobalHotkeys::registration(int id) const {
    const Key *key = keyFor(id);
    return key ? key->state : Registration::Failed;
}

QString GlobalHotkeys::conflictMessage(int id) {
    if (id == RecordId)
        return QStringLiteral("Can not register the hotkeys CTRL+R ...this key is already "
                              "registered by some other running applications.");
    return QStringLiteral("Can not register the hotkeys CTRL+S ... this key is already "
                          "registered by some other running applications.");
}

int GlobalHotkeys::reportConflicts(QWidget *parent) {
    int shown = 0;
    for (Key &key : keys_) {
        if (key.state != Registration::HeldElsewhere || key.reported)
            continue;
        key.reported = true;
        MessageBox::show(parent, conflictMessage(key.id), QMessageBox::Critical);
        ++shown;
    }
    return shown;
}

GlobalHotkeys::Key *GlobalHotkeys::keyFor(int id) {
    for (Key &key : keys_) {
        if (key.id == id)
            return &key;
    }
    return nullptr;
}

const GlobalHotkeys::Key *GlobalHotkeys::keyFor(int id) const {
    for (const Key &key : keys_) {
        if (key.id == id)
            return &key;
    }
    return nullptr;
}

std::uint16_t GlobalHotkeys::numLockMask() const {
    KeySymbols symbols(xcb_key_symbols_alloc(connection_));
    if (!symbols)
        return kFallbackNumLock;
    const QList<std::uint8_t> numLock = keycodesFor(symbols.get(), kKeysymNumLock);
    if (numLock.isEmpty())
        return kFallbackNumLock;

    xcb_get_modifier_mapping_reply_t *reply =
        xcb_get_modifier_mapping_reply(connection_, xcb_get_modifier_mapping(connection_), nullptr);
    if (!reply)
        return kFallbackNumLock;
    std::uint16_t mask = 0;
    const xcb_keycode_t *codes = xcb_get_modifier_mapping_keycodes(reply);
    const int perModifier = reply->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8 && mask == 0; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            if (numLock.contains(codes[modifier * perModifier + i])) {
                mask = static_cast<std::uint16_t>(1U << modifier);
                break;
            }
        }
    }
    std::free(reply); // NOLINT(cppcoreguidelines-no-malloc): allocated by xcb
    return mask != 0 ? mask : kFallbackNumLock;
}

QList<std::uint16_t> GlobalHotkeys::modifierVariants() const {
    // Caps Lock and Num Lock change the modifier state of every key press; a
    // grab names the exact state, so each lock combination is grabbed too.
    const std::uint16_t control = XCB_MOD_MASK_CONTROL;
    const std::uint16_t lock = XCB_MOD_MASK_LOCK;
    const std::uint16_t numLock = numLockMask_;
    QList<std::uint16_t> variants{control, static_cast<std::uint16_t>(control | lock)};
    if (numLock != lock) {
        variants.append(static_cast<std::uint16_t>(control | numLock));
        variants.append(static_cast<std::uint16_t>(control | lock | numLock));
    }
    return variants;
}

GlobalHotkeys::Registration GlobalHotkeys::grab(Key &key) {
    {
        KeySymbols symbols(xcb_key_symbols_alloc(connection_));
        key.keycodes = symbols ? keycodesFor(symbols.get(), key.keysym) : QList<std::uint8_t>();
    }
    if (key.keycodes.isEmpty())
        return Registration::Failed;
    key.grabbedMods = modifierVariants();

    struct Request {
        std::uint32_t root;
        std::uint8_t keycode;
        std::uint16_t modifiers;
        xcb_void_cookie_t cookie;
    };
    QList<Request> requests;
    for (const std::uint32_t root : std::as_const(roots_)) {
        for (const std::uint8_t keycode : std::as_const(key.keycodes)) {
            for (const std::uint16_t modifiers : std::as_const(key.grabbedMods)) {
                requests.append({root, keycode, modifiers,
                                 xcb_grab_key_checked(connection_, 1, root, modifiers, keycode,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)});
            }
        }
    }

    Registration result = Registration::Registered;
    QList<Request> granted;
    for (const Request &request : std::as_const(requests)) {
        xcb_generic_error_t *error = xcb_request_check(connection_, request.cookie);
        if (!error) {
            granted.append(request);
            continue;
        }
        if (error->error_code == kBadAccess)
            result = Registration::HeldElsewhere;
        else if (result == Registration::Registered)
            result = Registration::Failed;
        std::free(error); // NOLINT(cppcoreguidelines-no-malloc): allocated by xcb
    }
    if (result != Registration::Registered) {
        // A key is ours only as a whole: give back the variants we did get.
        for (const Request &request : std::as_const(granted))
            xcb_ungrab_key(connection_, request.keycode, request.root, request.modifiers);
        xcb_flush(connection_);
    }
    return result;
}

void GlobalHotkeys::ungrab(Key &key) {
    for (const std::uint32_t root : std::as_const(roots_)) {
        for (const std::uint8_t keycode : std::as_const(key.keycodes)) {
            for (const std::uint16_t modifiers : std::as_const(key.grabbedMods))
                xcb_ungrab_key(connection_, keycode, root, modifiers);
        }
    }
}

bool GlobalHotkeys::nativeEventFilter(const QByteArray &eventType, void *message,
                                      qintptr * /*result*/) {
    if (!connection_ || eventType != "xcb_generic_event_t" || !message)
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const int type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY || (type == xkbEvent_ && isKeymapChange(event))) {
        // Qt needs these too; the grabs are renewed once the burst is over.
        if (!refreshPending_) {
            refreshPending_ = true;
            emit keyboardChanged();
        }
        return false;
    }
    if (type != XCB_KEY_PRESS)
        return false;
    const auto *press = static_cast<const xcb_key_press_event_t *>(message);
    if (!roots_.contains(press->event))
        return false;

    // Only Ctrl, whatever the lock keys say; mouse buttons held do not matter.
    const auto ignored = static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLockMask_);
    const std::uint16_t modifiers = press->state & 0xff & ~ignored;
    if (modifiers != XCB_MOD_MASK_CONTROL)
        return false;

    for (const Key &key : keys_) {
        if (key.state != Registration::Registered || !key.keycodes.contains(press->detail))
            continue;
        emit grabbedKeyPressed(key.id);
        return true;
    }
    return false;
}

} // namespace pelvanto
