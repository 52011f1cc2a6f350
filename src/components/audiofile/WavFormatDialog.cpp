#include "audiofile/WavFormatDialog.h"

#include "audiofile/Detail.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPointer>
#include <QVBoxLayout>

namespace pelvanto {

namespace {

QString codecName(WavCodec c) {
    switch (c) {
    case WavCodec::Pcm8:
        return QStringLiteral("PCM 8-bit");
    case WavCodec::Pcm16:
        return QStringLiteral("PCM 16-bit");
    case WavCodec::Pcm24:
        return QStringLiteral("PCM 24-bit");
    case WavCodec::Float32:
        return QStringLiteral("PCM 32-bit float");
    case WavCodec::ImaAdpcm:
        return QStringLiteral("IMA ADPCM");
    case WavCodec::MsAdpcm:
        return QStringLiteral("Microsoft ADPCM");
    case WavCodec::Gsm610:
        return QStringLiteral("GSM 6.10");
    case WavCodec::ALaw:
        return QStringLiteral("CCITT A-Law");
    case WavCodec::MuLaw:
        return QStringLiteral("CCITT u-Law");
    }
    return {};
}

} // namespace

WavFormatDialog::WavFormatDialog(const QList<WavFormat> &offered, const WavFormat &current,
                                 QWidget *parent)
    : QDialog(parent), m_offered(offered), m_codec(new QComboBox(this)),
      m_attributes(new QComboBox(this)) {
    setWindowTitle(tr("Sound Selection"));
    setObjectName(QStringLiteral("WavFormatDialog"));
    m_codec->setObjectName(QStringLiteral("codec"));
    m_attributes->setObjectName(QStringLiteral("attributes"));
    QList<WavCodec> codecs;
    for (const WavFormat &f : offered) {
        if (!codecs.contains(f.codec)) {
            codecs.append(f.codec);
            m_codec->addItem(codecName(f.codec), static_cast<int>(f.codec));
        }
    }
    const int at = m_codec->findData(static_cast<int>(current.codec));
    m_codec->setCurrentIndex(at >= 0 ? at : 0);
    fillAttributes(current);
    connect(m_codec, &QComboBox::currentIndexChanged, this, [this] { fillAttributes(selected()); });

    auto *form = new QFormLayout;
    form->addRow(tr("&Format:"), m_codec);
    form->addRow(tr("&Attributes:"), m_attributes);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void WavFormatDialog::fillAttributes(const WavFormat &preferred) {
    const auto codec = static_cast<WavCodec>(m_codec->currentData().toInt());
    m_attributes->clear();
    for (int i = 0; i < m_offered.size(); ++i) {
        const WavFormat &f = m_offered.at(i);
        if (f.codec != codec)
            continue;
        m_attributes->addItem(
            QStringLiteral("%1 Hz, %2").arg(f.rate).arg(audiofile_detail::channelText(f.channels)),
            i);
        if (f.rate == preferred.rate && f.channels == preferred.channels)
            m_attributes->setCurrentIndex(m_attributes->count() - 1);
    }
}

WavFormat WavFormatDialog::selected() const {
    const int index = m_attributes->currentData().toInt();
    if (index >= 0 && index < m_offered.size() && m_attributes->count() > 0)
        return m_offered.at(index);
    WavFormat f;
    f.codec = static_cast<WavCodec>(m_codec->currentData().toInt());
    return f;
}

std::optional<WavFormat> WavFormatDialog::choose(const QList<WavFormat> &offered,
                                                 const WavFormat &current, QWidget *parent) {
    WavFormatDialog dialog(offered, current, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selected();
}

WavFormatChooser WavFormatDialog::chooserFor(QWidget *owner) {
    return [owner = QPointer<QWidget>(owner)](const QList<WavFormat> &offered,
                                              const WavFormat &current) {
        QWidget *parent = QApplication::activeModalWidget();
        return choose(offered, current, parent ? parent : owner.data());
    };
}

} // namespace pelvanto
