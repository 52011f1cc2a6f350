#pragma once

#include <QAbstractNativeEventFilter>
#include <QList>
#include <QObject>

#include <array>
#include <cstdint>

class QWidget;
struct xcb_connection_t;

namespace pelvanto {

// The two system-wide hotkeys, Ctrl+R (record) and Ctrl+S (stop), as passive
// key grabs on the X root windows. They reach the program while any other
// program has the keyboard focus. Without an X11 connection (offscreen,
// Wayland without X) there are no hotkeys and nothing is reported.
class GlobalHotkeys : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    static constexpr int RecordId = 0; // Ctrl+R
    static constexpr int StopId = 2;   // Ctrl+S

    enum class Registration {
        NotTried,      // registerHotkeys() not called yet, or the grab was released
        Registered,    // the key is ours
        HeldElsewhere, // another program holds the key combination
        Unavailable,   // no X11 connection: the session has no system-wide keys
        Failed,        // the key is not on the keyboard, or the server refused otherwise
    };

    explicit GlobalHotkeys(QObject *parent = nullptr);
    // Releases every grab this object holds, so a later copy can take the keys.
    ~GlobalHotkeys() override;
    GlobalHotkeys(const GlobalHotkeys &) = delete;
    GlobalHotkeys &operator=(const GlobalHotkeys &) = delete;

    // Whether the session offers system-wide keys at all.
    bool available() const { return connection_ != nullptr; }

    // Grabs Ctrl+R, then Ctrl+S. Returns true when both are ours. Calling it
    // again retries keys that are not registered.
    bool registerHotkeys();
    // Releases the grabs that succeeded.
    void unregisterHotkeys();

    Registration registration(int id) const;
    bool isRegistered(int id) const { return registration(id) == Registration::Registered; }

    // Shows, with the critical icon, the message for each key another program
    // holds. Each message is shown at most once in the life of this object.
    // Returns how many messages were shown now.
    int reportConflicts(QWidget *parent = nullptr);

    // The message shown when another program holds the key of `id`.
    static QString conflictMessage(int id);

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

signals:
    // A hotkey was pressed: RecordId or StopId. Emitted on the UI thread.
    void hotkeyPressed(int id);
    // Raised inside the native event dispatch; relayed as hotkeyPressed.
    void grabbedKeyPressed(int id);
    // The keyboard layout changed; relayed to refreshGrabs.
    void keyboardChanged();

private:
    struct Key {
        int id = 0;
        std::uint32_t keysym = 0;
        Registration state = Registration::NotTried;
        bool reported = false;
        QList<std::uint8_t> keycodes;     // every keycode carrying the key's symbol
        QList<std::uint16_t> grabbedMods; // modifier sets grabbed, per root
    };

    Registration grab(Key &key);
    void refreshGrabs();
    int xkbEventType() const;
    void ungrab(Key &key);
    Key *keyFor(int id);
    const Key *keyFor(int id) const;
    QList<std::uint16_t> modifierVariants() const;
    std::uint16_t numLockMask() const;

    xcb_connection_t *connection_ = nullptr;
    QList<std::uint32_t> roots_;
    std::uint16_t numLockMask_ = 0;
    std::array<Key, 2> keys_;
    bool filterInstalled_ = false;
    bool refreshPending_ = false;
    int xkbEvent_ = -1; // event type of the XKB extension, -1 without it
};

} // namespace pelvanto
