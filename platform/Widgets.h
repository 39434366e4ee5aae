#pragma once

#include <QFrame>
#include <QIcon>
#include <QLabel>
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

// Icons from PNG pictures: one file, or one per size (pattern has %1 for the size).
QIcon pictureIcon(const QString &file);
QIcon pictureIcon(const QString &pattern, std::initializer_list<int> sizes);

QColor rgb(int r, int g, int b);

// Places a window's frame in the middle of its screen's available area.
void centreOnScreen(QWidget *window);

} // namespace platform
