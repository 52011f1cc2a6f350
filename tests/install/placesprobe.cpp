// Prints where the program finds its folder and resources, as seen from
// wherever this executable has been copied to; with "first-start" it also
// does what a first start does to settings.dat.
#include "DefaultSettings.h"
#include "Inifun.h"
#include "platform/ProgramFolder.h"
#include "platform/Skin.h"

#include <QCoreApplication>

#include <cstdio>

namespace {
void print(const char *key, const QString &value) {
    std::printf("%s=%s\n", key, value.toLocal8Bit().constData());
}
} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    // The same names as the program, so the same per-user folders.
    QCoreApplication::setApplicationName(QStringLiteral("Pelvanto"));
    QCoreApplication::setOrganizationName(QStringLiteral("Pelvanto"));
    using namespace pelvanto;
    if (QCoreApplication::arguments().contains(QStringLiteral("first-start")))
        print("installed", DefaultSettings::installIfMissing(Inifun::settingsFile())
                               ? QStringLiteral("1")
                               : QStringLiteral("0"));
    print("program", programFolder());
    print("userconfig", programFolderIsUserConfig() ? QStringLiteral("1") : QStringLiteral("0"));
    print("recordings", defaultRecordingFolder());
    print("help", findResource(QStringLiteral("help/index.html")));
    print("skin", Skin::skinPath());
    print("defaults", DefaultSettings::shippedFile());
    print("icon", findResource(QStringLiteral("icons/pelvanto-48.png")));
    return 0;
}
