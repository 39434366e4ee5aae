#pragma once

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QProxyStyle>
#include <QPushButton>

#include <initializer_list>

class QWidget;

namespace platform {

// A label that reports clicks, as the textbook's navigation labels and answer texts need.
class ClickableLabel : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QColor fontColor READ fontColor WRITE setFontColor)
public:
    explicit ClickableLabel(const QString &text = {}, QWidget *parent = nullptr);
    explicit ClickableLabel(QWidget *parent) : ClickableLabel({}, parent) {}

    // Font colour through the palette, so it survives style sheets and enabled changes.
    void setFontColor(const QColor &color);
    QColor fontColor() const;

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

// A sunken decorative frame drawn over its siblings without taking clicks.
class Bevel : public QFrame
{
    Q_OBJECT
public:
    explicit Bevel(QWidget *parent = nullptr);
};

// A push button with a picture. Buttons of the kinds Ok and Cancel are the window's default and
// cancel buttons once bindDialogKeys() has been called for the window.
class BitBtn : public QPushButton
{
    Q_OBJECT
    Q_PROPERTY(Kind kind READ kind WRITE setKind)
public:
    enum class Kind
    {
        Custom,
        Ok,
        Cancel,
        Close
    };
    Q_ENUM(Kind)

    explicit BitBtn(QWidget *parent = nullptr) : QPushButton(parent) {}
    BitBtn(const QString &caption, Kind kind, QWidget *parent = nullptr);
    Kind kind() const { return m_kind; }
    // Also sets the kind's picture.
    void setKind(Kind kind);

private:
    Kind m_kind = Kind::Custom;
};

// Enter presses the focused push button, else the visible enabled Ok button; Escape presses the
// visible enabled Cancel button.
void bindDialogKeys(QWidget *window);

// A picture read in the format its file name gives (.png, .jpg) and no other. Qt's own loading
// asks every image plugin on the machine for a PNG, for data without a file name, or when given a
// format with detection left on, and they stay loaded: a megabyte or more of memory. Null when
// the file is missing or not in that format.
QImage readPicture(const QString &file);
QPixmap picture(const QString &file);

// Icons from PNG pictures: one file, or one per size (pattern has %1 for the size).
QIcon pictureIcon(const QString &file);
QIcon pictureIcon(const QString &pattern, std::initializer_list<int> sizes);

QColor rgb(int r, int g, int b);

// Places a window's frame in the middle of its screen's available area.
void centreOnScreen(QWidget *window);

// Qt's standard icons that the program's widgets use, read from Qt's own PNG files as PNG; null
// for others. Qt's styles read them without naming the format, which loads every image plugin on
// the machine to look at the file, a megabyte or more of memory.
QIcon standardPngIcon(QStyle::StandardPixmap glyph);

// The application's style with those icons and pictures read so (the menu bar asks for one as it
// is made, a group box for another as it is drawn).
class PngIconStyle : public QProxyStyle
{
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;
    QIcon standardIcon(StandardPixmap glyph, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
    // Fusion frames a group box with a picture it reads the same way; drawn here from one read
    // as PNG, as Fusion draws it.
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;

private:
    mutable QPixmap m_groupFrame;
};

} // namespace platform
