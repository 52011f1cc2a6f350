#pragma once

#include "ConversionRun.h"
#include "FormatValues.h"
#include "audiofile/AudioFile.h"

#include <QDialog>

#include <functional>
#include <memory>

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QThread;
class QTreeWidget;

namespace pelvanto {

class UpDown;

// "Audio Converter": converts one audio file into WMA, MP3 and/or Ogg Vorbis beside it. The run
// goes on a worker thread so that the window repaints, moves its progress bar and takes Cancel
// while a block is being encoded or the disk is slow.
class frmcov : public QDialog {
    Q_OBJECT
public:
    // Returns the chosen file or an empty text when the user cancels.
    using FileChooser =
        std::function<QString(QWidget *parent, const QString &title, const QString &filter)>;

    // An empty chooser uses the platform's file dialog.
    explicit frmcov(QWidget *parent = nullptr, FileChooser chooser = {});
    ~frmcov() override;

    bool converting() const { return worker_ != nullptr; }
    // The writer that holds the output settings.
    AudioFile &outputFile() { return writerFile_; }

public slots:
    void cmdOpenFile_Click();
    void cmdConvert_Click();
    void openMp3Options();
    void openOggOptions();

signals:
    // A run has ended and the window is idle again.
    void conversionFinished();

protected:
    void reject() override;

private:
    void buildWindow();
    void Form_Load();
    void startConversion();
    void cancelConversion();
    void finishConversion();
    void wmaProfileChanged(int profile);
    template <typename OptionWindow>
    void openOptions(QLineEdit *description, const QString &message);
    void logSetting(const QString &message);
    void addLogEntry(const ConversionLogEntry &entry);
    void showProgress(double percent);
    void setIdleControlsEnabled(bool enabled);

    FileChooser chooser_;
    AudioFile readerFile_; // FileR
    AudioFile writerFile_; // FileW
    // The MP3 and Ogg windows opened here configure this window's writer, not the recorder's.
    FormatValues formatValues_;
    std::unique_ptr<ConversionRun> run_;
    QThread *worker_ = nullptr;

    QLineEdit *inputEdit_ = nullptr;
    QPushButton *openFileButton_ = nullptr;
    QCheckBox *wmaCheck_ = nullptr;
    QCheckBox *mp3Check_ = nullptr;
    QCheckBox *oggCheck_ = nullptr;
    QLineEdit *mp3FormatText_ = nullptr;
    QLineEdit *oggFormatText_ = nullptr;
    QLineEdit *wmaFormatText_ = nullptr;
    QPushButton *mp3OptionsButton_ = nullptr;
    QPushButton *oggOptionsButton_ = nullptr;
    QLineEdit *wmaProfileText_ = nullptr;
    UpDown *wmaProfileUpDown_ = nullptr;
    QPushButton *convertButton_ = nullptr;
    QProgressBar *progressBar_ = nullptr;
    QTreeWidget *eventView_ = nullptr;
};

} // namespace pelvanto
