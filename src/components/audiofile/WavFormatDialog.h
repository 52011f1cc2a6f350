#pragma once

#include "audiofile/AudioFile.h"

#include <QDialog>

class QComboBox;

namespace pelvanto {

// "Sound Selection" style chooser: a codec list and, for the chosen codec, its rates and
// channel counts.
class WavFormatDialog : public QDialog {
    Q_OBJECT
public:
    WavFormatDialog(const QList<WavFormat> &offered, const WavFormat &current,
                    QWidget *parent = nullptr);
    WavFormat selected() const;

    // Shows the dialog modally; nothing when cancelled.
    static std::optional<WavFormat> choose(const QList<WavFormat> &offered,
                                           const WavFormat &current, QWidget *parent);
    // What the main window installs as the component's chooser: the dialog opens over the
    // modal window that asked (the WAV options), or over `owner` when none is open.
    static WavFormatChooser chooserFor(QWidget *owner);

private:
    void fillAttributes(const WavFormat &preferred);

    QList<WavFormat> m_offered;
    QComboBox *m_codec;
    QComboBox *m_attributes;
};

} // namespace pelvanto
