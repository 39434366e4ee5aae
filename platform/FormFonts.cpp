#include "platform/FormFonts.h"

#include <QStyle>
#include <QWidget>

namespace platform {

namespace {

void applyPixelFont(QWidget *widget)
{
    const QVariant pixels = widget->property("fontPixelSize");
    if (!pixels.isValid())
        return;
    QFont font = widget->font();
    font.setPixelSize(pixels.toInt());
    widget->setFont(font);
}

} // namespace

void applyPixelFonts(QWidget *form)
{
    applyPixelFont(form);
    // Depth first, in creation order: a parent's size reaches its children before their own.
    const auto widgets = form->findChildren<QWidget *>();
    for (QWidget *widget : widgets)
        applyPixelFont(widget);
    // A widget with a style sheet of its own keeps what it worked out under its earlier font
    // (a group box its title) until it is polished again.
    for (QWidget *widget : widgets) {
        if (widget->testAttribute(Qt::WA_StyleSheet)) {
            widget->style()->unpolish(widget);
            widget->style()->polish(widget);
        }
    }
}

} // namespace platform
