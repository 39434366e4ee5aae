#include "platform/FormFonts.h"

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
}

} // namespace platform
