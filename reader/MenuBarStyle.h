#pragma once

#include <QProxyStyle>

// Menu bar items with both their icon and their caption; Qt's styles draw only the icon
// of a bar item that has one.
class MenuBarStyle : public QProxyStyle
{
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget = nullptr) const override;

    static constexpr int iconGap = 4;
};
