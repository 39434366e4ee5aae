#include "platform/Widgets.h"

#include <QApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QImageReader>
#include <QKeySequence>
#include <QMouseEvent>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QStyleOption>
#include <qdrawutil.h>

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
    const QIcon icon = standardPngIcon(glyph);
    setIcon(icon.isNull() ? QApplication::style()->standardIcon(glyph) : icon);
}

QImage readPicture(const QString &file)
{
    QImageReader reader(file, QFileInfo(file).suffix().toLower().toLatin1());
    // With detection on, Qt asks the image plugins one by one even when the format is named.
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QPixmap picture(const QString &file)
{
    return QPixmap::fromImage(readPicture(file));
}

QIcon pictureIcon(const QString &file)
{
    const QPixmap pixmap = picture(file);
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}

QIcon pictureIcon(const QString &pattern, std::initializer_list<int> sizes)
{
    QIcon icon;
    for (int size : sizes) {
        const QPixmap pixmap = picture(pattern.arg(size));
        if (!pixmap.isNull())
            icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon standardPngIcon(QStyle::StandardPixmap glyph)
{
    const auto icon = [](const char *name, std::initializer_list<int> sizes) {
        return pictureIcon(QStringLiteral(":/qt-project.org/styles/commonstyle/images/") + QLatin1String(name) +
                               QStringLiteral("-%1.png"),
                           sizes);
    };
    switch (glyph) {
    case QStyle::SP_DialogOkButton:
        return icon("standardbutton-ok", {16, 32});
    case QStyle::SP_DialogCancelButton:
        return icon("standardbutton-cancel", {16, 32});
    case QStyle::SP_DialogCloseButton:
        return icon("standardbutton-close", {16, 32});
    case QStyle::SP_MediaPlay:
        return icon("media-play", {16, 32});
    case QStyle::SP_ToolBarHorizontalExtensionButton:
        return icon("toolbar-ext-h", {8, 16, 32});
    case QStyle::SP_ToolBarVerticalExtensionButton:
        return icon("toolbar-ext-v", {5, 10, 20});
    default:
        return {};
    }
}

void PngIconStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                 const QWidget *widget) const
{
    if (element != PE_FrameGroupBox || baseStyle()->name() != u"fusion") {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    if (m_groupFrame.isNull())
        m_groupFrame = picture(QStringLiteral(":/qt-project.org/styles/commonstyle/images/fusion_groupbox.png"));
    // Fusion's own geometry: the frame starts below the title, if there is one.
    constexpr int topGap = 3;
    int top = topGap;
    const auto *box = qobject_cast<const QGroupBox *>(widget);
    if (!box || box->isCheckable() || !box->title().isEmpty())
        top += qMax(pixelMetric(PM_ExclusiveIndicatorHeight), option->fontMetrics.height());
    qDrawBorderPixmap(painter, option->rect.adjusted(0, top, 0, 0), QMargins(6, 6, 6, 6), m_groupFrame);
}

QIcon PngIconStyle::standardIcon(StandardPixmap glyph, const QStyleOption *option, const QWidget *widget) const
{
    const QIcon png = standardPngIcon(glyph);
    return png.isNull() ? QProxyStyle::standardIcon(glyph, option, widget) : png;
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
