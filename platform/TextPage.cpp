#include "platform/TextPage.h"

#include "platform/Widgets.h"

#include <QImage>

namespace platform {

QVariant TextPage::loadResource(int type, const QUrl &name)
{
    if (type == QTextDocument::ImageResource) {
        const QUrl url = source().resolved(name);
        if (url.isLocalFile()) {
            const QImage image = readPicture(url.toLocalFile());
            if (!image.isNull())
                return image;
        }
    }
    // Anything else, or a picture whose name does not say its format, the usual way.
    return QTextBrowser::loadResource(type, name);
}

} // namespace platform
