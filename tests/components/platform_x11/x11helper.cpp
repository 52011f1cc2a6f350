// Another X client for the hotkey tests. Modes:
//   window   shows a window of its own and prints "window <id>"
//   grab-s   grabs plain Ctrl+S on the root window as some other program
//            would; prints "grab-s ok" or "grab-s refused", then "key s" for
//            each Ctrl+S it receives
//   hotkeys  a second copy of the program's hotkeys; prints
//            "R:<state> S:<state>" and "pressed <id>" for each hotkey
// Each mode runs until a line "quit" or the end of stdin.
#include "platform/GlobalHotkeys.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

void say(const QByteArray &line) {
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

const char *stateName(pelvanto::GlobalHotkeys::Registration r) {
    using R = pelvanto::GlobalHotkeys::Registration;
    switch (r) {
    case R::Registered:
        return "registered";
    case R::HeldElsewhere:
        return "held";
    case R::Unavailable:
        return "unavailable";
    case R::Failed:
        return "failed";
    case R::NotTried:
        break;
    }
    return "none";
}

class KeyWatcher : public QAbstractNativeEventFilter {
public:
    explicit KeyWatcher(xcb_keycode_t code) : m_code(code) {}
    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override {
        if (type != "xcb_generic_event_t")
            return false;
        const auto *ev = static_cast<const xcb_generic_event_t *>(message);
        if ((ev->response_type & 0x7f) != XCB_KEY_PRESS)
            return false;
        if (static_cast<const xcb_key_press_event_t *>(message)->detail == m_code)
            say("key s");
        return true;
    }

private:
    xcb_keycode_t m_code;
};

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLatin1(argv[1]) : QString();

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0 || std::string(buffer, static_cast<size_t>(n)).find("quit") != std::string::npos)
            app.quit();
    });

    std::unique_ptr<QWidget> window;
    std::unique_ptr<pelvanto::GlobalHotkeys> hotkeys;
    std::unique_ptr<KeyWatcher> watcher;

    if (mode == QLatin1String("window")) {
        window = std::make_unique<QWidget>();
        window->setWindowTitle(QStringLiteral("other program"));
        window->resize(200, 100);
        window->show();
        say("window " + QByteArray::number(static_cast<qulonglong>(window->winId())));
    } else if (mode == QLatin1String("grab-s")) {
        auto *x11 = app.nativeInterface<QNativeInterface::QX11Application>();
        if (!x11)
            return 2;
        xcb_connection_t *c = x11->connection();
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(c);
        xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, 0x0073);
        const xcb_keycode_t code = codes ? codes[0] : 0;
        std::free(codes);
        xcb_key_symbols_free(symbols);
        xcb_generic_error_t *error =
            xcb_request_check(c, xcb_grab_key_checked(c, 1, root, XCB_MOD_MASK_CONTROL, code,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        say(error ? "grab-s refused" : "grab-s ok");
        std::free(error);
        watcher = std::make_unique<KeyWatcher>(code);
        app.installNativeEventFilter(watcher.get());
    } else if (mode == QLatin1String("hotkeys")) {
        hotkeys = std::make_unique<pelvanto::GlobalHotkeys>();
        hotkeys->registerHotkeys();
        QObject::connect(hotkeys.get(), &pelvanto::GlobalHotkeys::hotkeyPressed, &app,
                         [](int id) { say("pressed " + QByteArray::number(id)); });
        say(QByteArray("R:") + stateName(hotkeys->registration(0)) +
            " S:" + stateName(hotkeys->registration(2)));
    } else {
        return 2;
    }
    return app.exec();
}
