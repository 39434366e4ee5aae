#pragma once

#include <QColor>
#include <QString>
#include <QUrl>
#include <QVariant>

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
    // The address of the page shown.
    virtual QUrl url() const = 0;

    // Finds text on the page from the active match on, forwards or back, marking every match;
    // done gets the active match (from 1; 0 when none) and the number of matches. Empty text
    // clears the marks.
    virtual void find(const QString &text, bool backward, const std::function<void(int, int)> &done) = 0;
    virtual void setZoomFactor(double factor) = 0;
    // Runs one of the program's own scripts on the page shown, apart from the page's (a page's
    // own never run); done gets what it returns.
    virtual void runScript(const QString &source, const std::function<void(const QVariant &)> &done) = 0;
    // One of the program's scripts, run on every page from now on once its document is there; an
    // empty source removes it.
    virtual void setPageScript(const QString &name, const QString &source) = 0;
    // What shows before and behind the page.
    virtual void setBackground(const QColor &colour) = 0;
    // Only the page shown stays in the history: going back has nowhere to go.
    virtual void forgetEarlierPages() = 0;
};

struct PageEngineHooks
{
    // A page, frame or new window the page itself asks for (a link, frame, redirect or form):
    // true lets the view show it. clicked: the student clicked a link of the page.
    std::function<bool(const QUrl &url, bool clicked, bool mainFrame)> request;
    // Every file or address the view is about to load, the page itself and its pictures and
    // styles included: false blocks it.
    std::function<bool(const QUrl &)> mayLoad;
    // Each finished load: the page's address and whether it loaded.
    std::function<void(const QUrl &, bool)> loaded;
};

using CreatePageEngine = PageEngine *(*)(QWidget *parent, const PageEngineHooks &hooks);

// The background of a passage the reader was sent to (WebView::showPlace), in both views.
inline constexpr const char *passageColour = "#fff3a0";

} // namespace platform

// The module's one entry point.
#define VELANIKA_PAGE_ENGINE_ENTRY "velanika_create_page_engine"
