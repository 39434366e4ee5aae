#pragma once

#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

namespace platform {

// The contract between the page view and the Qt WebEngine module (libvelanika_pages.so). The
// program does not link the web engine: the module is loaded once the first window is up, so
// the engine's libraries and start-up stay off the path to the first window, and a machine
// without them still shows pages in the light view.
class PageEngine
{
public:
    virtual ~PageEngine() = default;
    // The view; a child of the parent given at creation.
    virtual QWidget *widget() = 0;
    virtual void open(const QUrl &url) = 0;
    virtual void openHtml(const QString &html, const QUrl &base) = 0;
};

struct PageEngineHooks
{
    // A link the student clicked: true lets the view follow it.
    std::function<bool(const QUrl &)> followLink;
    // Each finished load: the page's address and whether it loaded.
    std::function<void(const QUrl &, bool)> loaded;
};

using CreatePageEngine = PageEngine *(*)(QWidget *parent, const PageEngineHooks &hooks);

} // namespace platform

// The module's one entry point.
#define VELANIKA_PAGE_ENGINE_ENTRY "velanika_create_page_engine"
