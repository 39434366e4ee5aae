#include "reader/MenuBarStyle.h"

#include <QPainter>
#include <QStyleOptionMenuItem>

namespace {

bool hasIconAndText(const QStyleOption *option)
{
    const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    return item && !item->icon.isNull() && !item->text.isEmpty();
}

} // namespace

void MenuBarStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                               const QWidget *widget) const
{
    if (element != CE_MenuBarItem || !hasIconAndText(option)) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    // The base style paints the background and the highlight of an empty item.
    QStyleOptionMenuItem empty = *item;
    empty.icon = QIcon();
    empty.text.clear();
    QProxyStyle::drawControl(element, &empty, painter, widget);

    const int extent = pixelMetric(PM_SmallIconSize, option, widget);
    const int textWidth = item->fontMetrics.horizontalAdvance(QString(item->text).remove(u'&'));
    const int contentWidth = extent + iconGap + textWidth;
    QRect content(0, 0, contentWidth, item->rect.height());
    content.moveCenter(item->rect.center());
    const bool enabled = item->state & State_Enabled;

    const QPixmap pixmap = item->icon.pixmap(QSize(extent, extent), painter->device()->devicePixelRatio(),
                                             enabled ? QIcon::Normal : QIcon::Disabled);
    const QRect iconRect(content.left(), content.top() + (content.height() - extent) / 2, extent, extent);
    drawItemPixmap(painter, iconRect, Qt::AlignCenter, pixmap);

    int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextDontClip | Qt::TextSingleLine;
    if (!styleHint(SH_UnderlineShortcut, option, widget))
        flags |= Qt::TextHideMnemonic;
    const QRect textRect = content.adjusted(extent + iconGap, 0, 0, 0);
    drawItemText(painter, textRect, flags, item->palette, enabled, item->text, QPalette::ButtonText);
}

QSize MenuBarStyle::sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                                     const QWidget *widget) const
{
    if (type != CT_MenuBarItem || !hasIconAndText(option))
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    // The menu bar measured the icon alone; make room for the caption beside it.
    const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    const int extent = pixelMetric(PM_SmallIconSize, option, widget);
    const QSize text = item->fontMetrics.size(Qt::TextSingleLine | Qt::TextShowMnemonic, item->text);
    const QSize both(extent + iconGap + text.width(), qMax(extent, text.height()));
    return QProxyStyle::sizeFromContents(type, option, both.expandedTo(size), widget);
}
