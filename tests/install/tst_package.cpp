// The Debian package built from this build tree: its control fields and its
// files, read back with dpkg-deb. Never installed on the test machine.
#include "TestSupport.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class TestPackage : public QObject {
    Q_OBJECT

    QTemporaryDir out_;
    QString deb_;

    QString field(const char *name) {
        return QString::fromUtf8(
                   testsupport::runTool("dpkg-deb", {"-f", deb_, QString::fromLatin1(name)}).out)
            .trimmed();
    }

private slots:
    void initTestCase() {
        if (!testsupport::hasTool("dpkg-deb"))
            QSKIP("dpkg-deb is not installed: no Debian package here");
        QVERIFY(out_.isValid());
        // The build tree as it is; cpack only installs it into its own staging folder.
        const auto r = testsupport::runTool(
            QStringLiteral(PELVANTO_CPACK),
            {"-G", "DEB", "--config", QStringLiteral(PELVANTO_BUILD_DIR "/CPackConfig.cmake"), "-B",
             out_.path()},
            540000);
        QVERIFY2(r.exitCode == 0, (r.out + r.err).constData());
        const QStringList debs = QDir(out_.path()).entryList({"*.deb"}, QDir::Files);
        QCOMPARE(debs.size(), 1);
        deb_ = out_.filePath(debs.first());
    }

    void controlFields_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("pattern");
        QTest::newRow("Package") << "Package"
                                 << "^pelvanto$";
        QTest::newRow("Version") << "Version"
                                 << "^" + QRegularExpression::escape(PELVANTO_VERSION) + "$";
        QTest::newRow("Architecture") << "Architecture"
                                      << "^[a-z0-9]+$";
        QTest::newRow("Maintainer") << "Maintainer"
                                    << "^[^<>]+ <[^@<>]+@[^@<>]+>$";
        QTest::newRow("Section") << "Section"
                                 << "^sound$";
        // A one-line summary, then the long description.
        QTest::newRow("Description") << "Description"
                                     << "^sound recorder [^\\n]+\\n .+";
        // Computed from the libraries the program links, plus the platform plugins.
        QTest::newRow("Depends: Qt") << "Depends"
                                     << "libqt6widgets6";
        QTest::newRow("Depends: sound server client") << "Depends"
                                                      << "libpulse0";
        QTest::newRow("Depends: platform plugins") << "Depends"
                                                   << "qt6-qpa-plugins";
        QTest::newRow("Depends: C library") << "Depends"
                                            << "libc6 \\(>= ";
    }
    void controlFields() {
        QFETCH(QString, name);
        QFETCH(QString, pattern);
        const QString value = field(name.toLatin1().constData());
        const QRegularExpression re(pattern, QRegularExpression::DotMatchesEverythingOption);
        QVERIFY2(re.match(value).hasMatch(), qPrintable(name + ": " + value));
    }

    void files() {
        const auto listing = testsupport::runTool("dpkg-deb", {"-c", deb_});
        QCOMPARE(listing.exitCode, 0);
        QStringList paths;
        for (const QByteArray &line : listing.out.split('\n')) {
            const QList<QByteArray> cols = line.simplified().split(' ');
            if (cols.size() >= 6 && !cols[5].endsWith('/'))
                paths << QString::fromUtf8(cols[5]);
        }
        for (const char *expected :
             {"./usr/bin/pelvanto", "./usr/share/pelvanto/help/index.html",
              "./usr/share/pelvanto/skins/frmmain.skn",
              "./usr/share/pelvanto/defaults/settings.dat",
              "./usr/share/pelvanto/icons/pelvanto-48.png",
              "./usr/share/applications/org.pelvanto.Pelvanto.desktop",
              "./usr/share/metainfo/org.pelvanto.Pelvanto.metainfo.xml",
              "./usr/share/icons/hicolor/scalable/apps/org.pelvanto.Pelvanto.svg",
              "./usr/share/icons/hicolor/48x48/apps/org.pelvanto.Pelvanto.png"})
            QVERIFY2(paths.contains(QLatin1String(expected)), expected);
        // Nothing of the build tree: no tests, benchmarks, libraries or build paths.
        for (const QString &p : std::as_const(paths)) {
            QVERIFY2(p.startsWith("./usr/bin/pelvanto") || p.startsWith("./usr/share/"),
                     qPrintable(p));
        }
    }

    void programIsStripped() {
        QTemporaryDir unpacked;
        QCOMPARE(testsupport::runTool("dpkg-deb", {"-x", deb_, unpacked.path()}).exitCode, 0);
        const auto sections =
            testsupport::runTool("objdump", {"-h", unpacked.filePath("usr/bin/pelvanto")});
        if (sections.exitCode != 0)
            QSKIP("objdump is not installed");
        QVERIFY(!sections.out.contains(".debug_info"));
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
