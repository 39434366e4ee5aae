// Unit5: the author window (TForm5, "Автор").

#include "side/Unit5.h"

#include "platform/HandlerGuard.h"
#include "platform/MessageBoxes.h"
#include "platform/Widgets.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QPixmap>
#include <QStatusBar>

TForm5 *Form5 = nullptr;

namespace {

// White text on the dark window; the '&' of the caption underlines the letter after it, as a
// label's mnemonic is shown, and leading blanks are kept.
QLabel *makeLabel(QWidget *parent, const char *name, const QString &caption, QRect geometry, const QString &family,
                  int pixels)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::RichText);
    label->setText(
        QStringLiteral("<span style=\"white-space: pre-wrap\">%1</span>").arg(platform::mnemonicToRichText(caption)));
    label->setGeometry(geometry);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(true);
    label->setFont(font);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(p);
    label->setAttribute(Qt::WA_TranslucentBackground);
    return label;
}

// The desktop's own colours, set role by role so the dark window does not show through.
QPalette desktopColours()
{
    QPalette p = QApplication::palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::WindowText, QPalette::Button, QPalette::ButtonText})
        p.setColor(role, p.color(role));
    return p;
}

} // namespace

TForm5::TForm5(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Автор"));
    QFont windowFont(QStringLiteral("MS Sans Serif"));
    windowFont.setPointSize(8);
    setFont(windowFont);
    move(299, 207);
    setFixedSize(434, 299);
    // White captions need a dark ground to be read.
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(32, 48, 88));
    setPalette(p);

    Bevel1 = new platform::Bevel(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setGeometry(8, 0, 161, 217);

    Label1 = makeLabel(this, "Label1", QStringLiteral("&Автор программы Равенов"), {200, 8, 163, 66},
                       QStringLiteral("Times New Roman"), 19);

    Bevel2 = new platform::Bevel(this);
    Bevel2->setObjectName(QStringLiteral("Bevel2"));
    Bevel2->setGeometry(208, 176, 193, 57);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(16, 8, 145, 201);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const QPixmap portrait(QStringLiteral(":/pictures/author.jpg"));
    if (!portrait.isNull())
        Image1->setPixmap(portrait.scaled(Image1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));

    Label2 = makeLabel(this, "Label2", QStringLiteral("      &Ортанский государственный университет"),
                       {184, 88, 236, 80}, QStringLiteral("MS Sans Serif"), 13);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, height() - 19, width(), 19);
    // The bar keeps the desktop's own colours under the dark window.
    StatusBar1->setPalette(desktopColours());
    StatusBar1->setAutoFillBackground(true);
    auto *panel = new QLabel(QStringLiteral("Веланика 2007"), StatusBar1);
    panel->setObjectName(QStringLiteral("StatusBar1Panel"));
    StatusBar1->addWidget(panel, 1);

    BitBtn1 = new platform::BitBtn(QStringLiteral("&Выход"), platform::BitBtn::Kind::Ok, this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(304, 192, 75, 25);
    BitBtn1->setPalette(desktopColours());
    BitBtn1->setDefault(true);
    platform::connectHandler(BitBtn1, &QPushButton::clicked, this, &TForm5::BitBtn1Click);
    platform::bindDialogKeys(this);
}

TForm5::~TForm5() = default;

void TForm5::BitBtn1Click()
{
    close();
}
