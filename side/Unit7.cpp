// Unit7: the customer window (TForm7, "Заказчик").

#include "side/Unit7.h"

#include <QApplication>
#include <QFont>
#include <QLabel>

TForm7 *Form7 = nullptr;

namespace {

QLabel *makeLabel(QWidget *parent, const char *name, const QString &caption, QRect geometry, const QString &family,
                  bool wrap)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(geometry);
    label->setWordWrap(wrap);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont font(family);
    font.setPixelSize(13);
    font.setBold(true);
    font.setItalic(true);
    label->setFont(font);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, QColor(128, 0, 0));
    label->setPalette(p);
    return label;
}

} // namespace

TForm7::TForm7(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Заказчик"));
    move(249, 176);
    resize(311, 198);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QApplication::palette().color(QPalette::Light)); // button highlight
    setPalette(p);

    Label1 = makeLabel(this, "Label1", QStringLiteral("Профессор, Кандидат психологических наук"), {16, 24, 152, 32},
                       QStringLiteral("Arial"), true);
    Label2 = makeLabel(this, "Label2", QStringLiteral("Зав. кафедрой психологии и педагогики"), {16, 72, 268, 16},
                       QStringLiteral("Arial"), false);
    Label3 = makeLabel(this, "Label3", QStringLiteral("Нерсин "), {168, 104, 114, 16}, QStringLiteral("MS Sans Serif"),
                       false);
}

TForm7::~TForm7() = default;
