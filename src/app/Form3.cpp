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

    Label1 = new QLabel(QStringLiteral("<h2>Pelvanto v3.10</h2>"
                                       "<p>Records what your computer plays or hears straight "
                                       "into WAV, MP3, Ogg Vorbis, VOX, RAW or G.726 files.</p>"),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);

    const QString home = QString::fromLatin1(kHomePageUrl);
    lblWeb = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(home.toHtmlEscaped()), this);
    lblWeb->setObjectName(QStringLiteral("lblWeb"));
    lblWeb->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(lblWeb, &QLabel::linkActivated, this, [](const QString &url) { ShellOpen::open(url); });

    Command1 = new QPushButton(QStringLiteral("Exit"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(lblWeb);
    layout->addWidget(Command1, 0, Qt::AlignRight);

    Skin::applyTo(this);
}

void Form3::Command1_Click() {
    accept();
    if (QWidget *main = parentWidget()) {
        main->show();
        main->raise();
    }
}

} // namespace pelvanto
