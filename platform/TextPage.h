#pragma once

#include <QTextBrowser>

namespace platform {

// The light page view: Qt's rich text browser, with a page's pictures read by readPicture(), so
// showing one does not load every image plugin on the machine.
class TextPage : public QTextBrowser
{
    Q_OBJECT
public:
    using QTextBrowser::QTextBrowser;

protected:
    QVariant loadResource(int type, const QUrl &name) override;
};

} // namespace platform
