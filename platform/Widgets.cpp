#include "platform/Widgets.h"

#include <QApplication>
#include <QImageReader>
#include <QKeySequence>
#include <QMouseEvent>
#include <QScreen>
#include <QShortcut>
#include <QStyle>

namespace platform {

ClickableLabel::ClickableLabel(const QString &text, QWidget *parent) : QLabel(text, parent) {}

void ClickableLabel::setFontColor(const QColor &color)
{
    QPalette p = palette();
    p.setColor(QPalette::Active, QPalette::WindowText, color);
    p.setColor(QPalette::Inactive, QPalette::WindowText, color);
    p.setColor(QPalette::Disabled, QPalette::WindowText, color);
    setPalette(p);
}

QColor ClickableLabel::fontColor() const
{
    return palette().color(QPalette::Active, QPalette::WindowText);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && isEnabled() && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

Bevel::Bevel(QWidget *parent) : QFrame(parent)
{
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Sunken);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

BitBtn::BitBtn(const QString &caption, Kind kind, QWidget *parent) : QPushButton(caption, parent)
{
    setKind(kind);
}

void BitBtn::setKind(Kind kind)
{
    m_kind = kind;
    QStyle::StandardPixmap glyph = QStyle::SP_CustomBase;
    switch (kind) {
    case Kind::Ok:
        glyph = QStyle::SP_DialogOkButton;
        break;
    case Kind::Cancel:
        glyph = QStyle::SP_DialogCancelButton;
        break;
    case Kind::Close:
        glyph = QStyle::SP_DialogCloseButton;
        break;
    case Kind::Custom:
        break;
    }
    if (glyph == QStyle::SP_CustomBase) {
        setIcon(QIcon());
        return;
    }
    // The style's own glyphs, named so no image plugin is probed for them.
    const QString name = kind == Kind::Ok       ? QStringLiteral("ok")
                         : kind == Kind::Cancel ? QStringLiteral("cancel")
                                                : QStringLiteral("close");
    const QIcon icon = pictureIcon(QStringLiteral(":/qt-project.org/styles/commonstyle/images/standardbutton-") + name +
                                       QStringLiteral("-%1.png"),
                                   {16, 32});
    setIcon(icon.isNull() ? QApplication::style()->standardIcon(glyph) : icon);
}

namespace {

QPixmap readPng(const QString &file)
{
    // Read as PNG and nothing else: left to check the format, Qt asks every image plugin on
    // the machine, even for a file named .png, and their libraries then stay loaded (~1 MB).
    QImageReader reader(file, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

} // namespace

QIcon pictureIcon(const QString &file)
{
    const QPixmap pixmap = readPng(file);
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}

QIcon pictureIcon(const QString &pattern, std::initializer_list<int> sizes)
{
    QIcon icon;
    for (int size : sizes) {
        const QPixmap pixmap = readPng(pattern.arg(size));
        if (!pixmap.isNull())
            icon.addPixmap(pixmap);
    }
    return icon;
}

namespace {

BitBtn *visibleButton(QWidget *window, BitBtn::Kind kind)
{
    const auto buttons = window->findChildren<BitBtn *>();
    for (BitBtn *b : buttons) {
        if (b->kind() == kind && b->isVisibleTo(window) && b->isEnabled())
            return b;
    }
    return nullptr;
}

} // namespace

void bindDialogKeys(QWidget *window)
{
    auto pressDefault = [window] {
        if (auto *focused = qobject_cast<QPushButton *>(QApplication::focusWidget());
            focused && focused->window() == window && focused->isVisible() && focused->isEnabled()) {
            focused->click();
            return;
        }
        if (BitBtn *b = visibleButton(window, BitBtn::Kind::Ok))
            b->click();
    };
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        auto *enter = new QShortcut(QKeySequence(key), window);
        enter->setContext(Qt::WindowShortcut);
        QObject::connect(enter, &QShortcut::activated, window, pressDefault);
    }
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    escape->setContext(Qt::WindowShortcut);
    QObject::connect(escape, &QShortcut::activated, window, [window] {
        if (BitBtn *b = visibleButton(window, BitBtn::Kind::Cancel))
            b->click();
    });
}

QColor rgb(int r, int g, int b)
{
    return QColor(r, g, b);
}

void centreOnScreen(QWidget *window)
{
    if (QScreen *screen = window->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

} // namespace platform
