// The WAV format chooser window and the chooser the main window installs in the component.
#include "audiofile/AudioFile.h"
#include "audiofile/WavFormatDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <QTimer>
#include <QtTest>

using pelvanto::AudioFile;
using pelvanto::WavCodec;
using pelvanto::WavFormat;
using pelvanto::WavFormatDialog;

class TestWavFormatDialog : public QObject {
    Q_OBJECT

    // Answers the chooser once it is on screen: picks codec and attributes, or cancels.
    static void answerChooser(QWidget **parentSeen, const QString &codec,
                              const QString &attributes) {
        QTimer::singleShot(0, [=] {
            auto *chooser = qobject_cast<WavFormatDialog *>(QApplication::activeModalWidget());
            QVERIFY(chooser != nullptr);
            *parentSeen = chooser->parentWidget();
            if (codec.isEmpty()) {
                chooser->reject();
                return;
            }
            auto *codecs = chooser->findChild<QComboBox *>(QStringLiteral("codec"));
            codecs->setCurrentIndex(codecs->findText(codec));
            auto *attrs = chooser->findChild<QComboBox *>(QStringLiteral("attributes"));
            attrs->setCurrentIndex(attrs->findText(attributes));
            chooser->accept();
        });
    }

private slots:
    void listsEveryCodecAndItsAttributes() {
        const QList<WavFormat> offered = AudioFile::WritableWavFormats();
        WavFormatDialog dialog(offered, WavFormat{WavCodec::ImaAdpcm, 32000, 1});
        auto *codec = dialog.findChild<QComboBox *>(QStringLiteral("codec"));
        auto *attributes = dialog.findChild<QComboBox *>(QStringLiteral("attributes"));
        QVERIFY(codec && attributes);
        QCOMPARE(codec->count(), 9);
        QCOMPARE(dialog.selected(), (WavFormat{WavCodec::ImaAdpcm, 32000, 1}));
        codec->setCurrentIndex(codec->findText(QStringLiteral("GSM 6.10")));
        QCOMPARE(attributes->count(), 4);
        QCOMPARE(dialog.selected().codec, WavCodec::Gsm610);
        codec->setCurrentIndex(codec->findText(QStringLiteral("PCM 16-bit")));
        QCOMPARE(attributes->count(), 18);
    }

    void installedChooserOpensOverTheWindowThatAsked() {
        QWidget owner;
        AudioFile file;
        file.SetWavFormatChooser(WavFormatDialog::chooserFor(&owner));

        // No window in front: over the owner, and the choice reaches the component.
        QWidget *parent = nullptr;
        answerChooser(&parent, QStringLiteral("Microsoft ADPCM"), QStringLiteral("11025 Hz, mono"));
        QVERIFY(file.ChooseWavFormat());
        QCOMPARE(parent, &owner);
        QCOMPARE(file.CurrentWavFormat(), (WavFormat{WavCodec::MsAdpcm, 11025, 1}));

        // Asked from a modal window (the WAV options): over that one. Cancel keeps the format.
        QDialog options(&owner);
        parent = nullptr;
        bool chosen = true;
        QTimer::singleShot(0, [&] {
            answerChooser(&parent, QString(), QString());
            chosen = file.ChooseWavFormat();
            options.accept();
        });
        options.exec();
        QCOMPARE(parent, &options);
        QVERIFY(!chosen);
        QCOMPARE(file.CurrentWavFormat(), (WavFormat{WavCodec::MsAdpcm, 11025, 1}));
    }

    void ownerGoneBeforeTheChoice() {
        AudioFile file;
        auto owner = std::make_unique<QWidget>();
        file.SetWavFormatChooser(WavFormatDialog::chooserFor(owner.get()));
        owner.reset();
        QWidget unset;
        QWidget *parent = &unset;
        answerChooser(&parent, QStringLiteral("PCM 8-bit"), QStringLiteral("8000 Hz, mono"));
        QVERIFY(file.ChooseWavFormat());
        QCOMPARE(parent, nullptr);
        QCOMPARE(file.CurrentWavFormat(), (WavFormat{WavCodec::Pcm8, 8000, 1}));
    }
};

QTEST_MAIN(TestWavFormatDialog)
#include "tst_wavformatdialog.moc"
