// The wrapper's message boxes as the user sees them: caption, icon and text.
#include "FModMessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

using pelvanto::FModMessageBox;

class TestFModMessageBox : public QObject {
    Q_OBJECT
private slots:
    void boxes_data();
    void boxes();
};

void TestFModMessageBox::boxes_data() {
    QTest::addColumn<bool>("warning");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("icon");
    QTest::newRow("error") << false << QStringLiteral("Error initializing output device.")
                           << int(QMessageBox::Critical);
    QTest::newRow("warning") << true << QStringLiteral("Could not recognize & play \"/a/b c.mp3\".")
                             << int(QMessageBox::Warning);
}

void TestFModMessageBox::boxes() {
    QFETCH(bool, warning);
    QFETCH(QString, text);
    QFETCH(int, icon);
    QWidget window;
    window.show();
    QString seenTitle;
    QString seenText;
    int seenIcon = -1;
    QTimer::singleShot(100, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        seenTitle = box->windowTitle();
        seenText = box->text();
        seenIcon = box->icon();
        box->accept();
    });
    FModMessageBox notifier(&window);
    if (warning)
        notifier.showWarning(text);
    else
        notifier.showError(text);
    QCOMPARE(seenTitle, QStringLiteral("FMOD Error"));
    QCOMPARE(seenText, text);
    QCOMPARE(seenIcon, icon);
}

QTEST_MAIN(TestFModMessageBox)
#include "tst_fmodmessagebox.moc"
