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
    m_keys[0].id = RecordId;
    m_keys[0].keysym = kKeysymR;
    m_keys[1].id = StopId;
    m_keys[1].keysym = kKeysymS;

    m_connection = x11Connection();
    if (!m_connection || xcb_connection_has_error(m_connection) != 0) {
        m_connection = nullptr;
        for (Key &key : m_keys)
            key.state = Registration::Unavailable;
        return;
    }
    for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
         it.rem > 0; xcb_screen_next(&it))
        m_roots.append(it.data->root);
    // Handlers may run an event loop of their own; let them run after the
    // native event has been dispatched.
    connect(this, &GlobalHotkeys::grabbedKeyPressed, this, &GlobalHotkeys::hotkeyPressed,
            Qt::QueuedConnection);
    // A new keyboard layout moves keys to other keycodes: grab them afresh.
    connect(this, &GlobalHotkeys::keyboardChanged, this, &GlobalHotkeys::refreshGrabs,
            Qt::QueuedConnection);
    m_xkbEvent = xkbEventType();
    QCoreApplication::instance()->installNativeEventFilter(this);
    m_filterInstalled = true;
}

int GlobalHotkeys::xkbEventType() const {
    static constexpr char kName[] = "XKEYBOARD";
    xcb_query_extension_reply_t *reply = xcb_query_extension_reply(
        m_connection, xcb_query_extension(m_connection, sizeof kName - 1, kName), nullptr);
    const int type = reply && reply->present ? reply->first_event : -1;
    std::free(reply); // NOLINT(cppcoreguidelines-no-malloc): allocated by xcb
    return type;
}

void GlobalHotkeys::refreshGrabs() {
    m_refreshPending = false;
    if (!m_connection)
        return;
    const std::uint16_t numLock = numLockMask();
    const bool modifiersMoved = numLock != m_numLockMask;
    m_numLockMask = numLock;
    for (Key &key : m_keys) {
        // A key missing from the old layout may be on the new one; a key
        // another program holds stays with it.
        const bool held = key.state == Registration::Registered;
        if (!held && key.state != Registration::Failed)
            continue;
        KeySymbols symbols(xcb_key_symbols_alloc(m_connection));
        const QList<std::uint8_t> codes =
            symbols ? keycodesFor(symbols.get(), key.keysym) : QList<std::uint8_t>();
        if (held && codes == key.keycodes && !modifiersMoved)
            continue;
        if (held)
            ungrab(key); // the keycodes and modifiers grabbed before
        key.state = grab(key);
    }
    xcb_flush(m_connection);
}

GlobalHotkeys::~GlobalHotkeys() {
    // Once the application object is gone its X connection is closed, and the
    // server has dropped our grabs with it.
    if (!QCoreApplication::instance())
        return;
    unregisterHotkeys();
    if (m_filterInstalled)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool GlobalHotkeys::registerHotkeys() {
    if (!m_connection)
        return false;
    m_numLockMask = numLockMask();
    bool all = true;
    for (Key &key : m_keys) {
        if (key.state != Registration::Registered)
            key.state = grab(key);
        all = all && key.state == Registration::Registered;
    }
    return all;
}

void GlobalHotkeys::unregisterHotkeys() {
    if (!m_connection)
        return;
    for (Key &key : m_keys) {
        if (key.state == Registration::Registered) {
            ungrab(key);
            key.state = Registration::NotTried;
        }
    }
    xcb_flush(m_connection);
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
    for (Key &key : m_keys) {
        if (key.state != Registration::HeldElsewhere || key.reported)
            continue;
        key.reported = true;
        MessageBox::show(parent, conflictMessage(key.id), QMessageBox::Critical);
        ++shown;
    }
    return shown;
}

GlobalHotkeys::Key *GlobalHotkeys::keyFor(int id) {
    for (Key &key : m_keys) {
        if (key.id == id)
            return &key;
    }
    return nullptr;
}

const GlobalHotkeys::Key *GlobalHotkeys::keyFor(int id) const {
    for (const Key &key : m_keys) {
        if (key.id == id)
            return &key;
    }
    return nullptr;
}

std::uint16_t GlobalHotkeys::numLockMask() const {
    KeySymbols symbols(xcb_key_symbols_alloc(m_connection));
    if (!symbols)
        return kFallbackNumLock;
    const QList<std::uint8_t> numLock = keycodesFor(symbols.get(), kKeysymNumLock);
    if (numLock.isEmpty())
        return kFallbackNumLock;

    xcb_get_modifier_mapping_reply_t *reply = xcb_get_modifier_mapping_reply(
        m_connection, xcb_get_modifier_mapping(m_connection), nullptr);
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
    const std::uint16_t numLock = m_numLockMask;
    QList<std::uint16_t> variants{control, static_cast<std::uint16_t>(control | lock)};
    if (numLock != lock) {
        variants.append(static_cast<std::uint16_t>(control | numLock));
        variants.append(static_cast<std::uint16_t>(control | lock | numLock));
    }
    return variants;
}

GlobalHotkeys::Registration GlobalHotkeys::grab(Key &key) {
    {
        KeySymbols symbols(xcb_key_symbols_alloc(m_connection));
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
    for (const std::uint32_t root : std::as_const(m_roots)) {
        for (const std::uint8_t keycode : std::as_const(key.keycodes)) {
            for (const std::uint16_t modifiers : std::as_const(key.grabbedMods)) {
                requests.append({root, keycode, modifiers,
                                 xcb_grab_key_checked(m_connection, 1, root, modifiers, keycode,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)});
            }
        }
    }

    Registration result = Registration::Registered;
    QList<Request> granted;
    for (const Request &request : std::as_const(requests)) {
        xcb_generic_error_t *error = xcb_request_check(m_connection, request.cookie);
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
            xcb_ungrab_key(m_connection, request.keycode, request.root, request.modifiers);
        xcb_flush(m_connection);
    }
    return result;
}

void GlobalHotkeys::ungrab(Key &key) {
    for (const std::uint32_t root : std::as_const(m_roots)) {
        for (const std::uint8_t keycode : std::as_const(key.keycodes)) {
            for (const std::uint16_t modifiers : std::as_const(key.grabbedMods))
                xcb_ungrab_key(m_connection, keycode, root, modifiers);
        }
    }
}

bool GlobalHotkeys::nativeEventFilter(const QByteArray &eventType, void *message,
                                      qintptr * /*result*/) {
    if (!m_connection || eventType != "xcb_generic_event_t" || !message)
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const int type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY || (type == m_xkbEvent && isKeymapChange(event))) {
        // Qt needs these too; the grabs are renewed once the burst is over.
        if (!m_refreshPending) {
            m_refreshPending = true;
            emit keyboardChanged();
        }
        return false;
    }
    if (type != XCB_KEY_PRESS)
        return false;
    const auto *press = static_cast<const xcb_key_press_event_t *>(message);
    if (!m_roots.contains(press->event))
        return false;

    // Only Ctrl, whatever the lock keys say; mouse buttons held do not matter.
    const auto ignored = static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | m_numLockMask);
    const std::uint16_t modifiers = press->state & 0xff & ~ignored;
    if (modifiers != XCB_MOD_MASK_CONTROL)
        return false;

    for (const Key &key : m_keys) {
        if (key.state != Registration::Registered || !key.keycodes.contains(press->detail))
            continue;
        emit grabbedKeyPressed(key.id);
        return true;
    }
    return false;
}

} // namespace pelvanto
