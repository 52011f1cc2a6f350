#include "Form3.h"

#include "platform/ShellOpen.h"
#include "platform/Skin.h"
#include "platform/WebAddresses.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace pelvanto {

Form3::Form3(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("About"));
    setModal(true);

    auto *description =
        new QLabel(QStringLiteral("<h2>Pelvanto v3.10</h2>"
                                  "<p>Records what your computer plays or hears straight "
                                  "into WAV, MP3, Ogg Vorbis, VOX, RAW or G.726 files.</p>"),
                   this);
    description->setObjectName(QStringLiteral("Label1"));
    description->setWordWrap(true);

    const QString home = QString::fromLatin1(kHomePageUrl);
    auto *webLink =
        new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(home.toHtmlEscaped()), this);
    webLink->setObjectName(QStringLiteral("lblWeb"));
    webLink->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(webLink, &QLabel::linkActivated, this,
            [](const QString &url) { ShellOpen::open(url); });

    auto *exitButton = new QPushButton(QStringLiteral("Exit"), this);
    exitButton->setObjectName(QStringLiteral("Command1"));
    connect(exitButton, &QPushButton::clicked, this, &Form3::returnToMainWindow);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(description);
    layout->addWidget(webLink);
    layout->addWidget(exitButton, 0, Qt::AlignRight);

    Skin::applyTo(this);
}

void Form3::returnToMainWindow() {
    accept();
    if (QWidget *main = parentWidget()) {
        main->show();
        main->raise();
    }
}

} // namespace pelvanto
