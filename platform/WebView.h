#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

namespace platform {

// The embedded page view. Qt WebEngine renders the pages as their styles say; the light
// build (and tests, by choice) use QTextBrowser. The engine is created on first use, or
// ahead of time by prepare(), so it never delays the first window.
class WebView : public QWidget
{
    Q_OBJECT
public:
    enum class Backend
    {
        WebEngine,
        TextBrowser
    };

    explicit WebView(QWidget *parent = nullptr);
    ~WebView() override;

    // Opens a full local file path; backslashes in it are folder separators. A missing page
    // shows a Russian notice in the view instead of the page. A path that is not a course page
    // (an .htm or .html file inside Glaves, by its real path) is not opened: the view is left
    // empty and the notice bar says why.
    void Navigate(const QString &path);
    // Opens a page as Navigate does, scrolled to the anchor (an id or name on the page) with the
    // passage marked: the anchored element and a table right after it. An anchor the page does
    // not have opens it at its top, unmarked.
    void showPlace(const QString &path, const QString &anchor);
    // The program's folder with a trailing separator.
    QString Path() const;

    // The text last given to Navigate.
    QString location() const { return m_location; }
    int navigationCount() const { return m_navigations; }
    // The address of the page shown; empty when none is, or a notice stands in its place.
    QUrl shownUrl() const;

    // A short notice above the page, for what the student asked for and did not get; it stays
    // until closed or until another page opens. Empty text hides it.
    void showNotice(const QString &text);
    QString notice() const;

    // Creates the view now and, with the web engine, starts it on a blank page (call once the
    // first window is up), so the first real page comes up without the engine's start-up.
    void prepare();
    // Loads the web engine's libraries on a worker thread, then runs then() on context's
    // thread; at once when there is nothing to load. Once per run, before the first view is
    // made, which would otherwise load them on the event loop's thread.
    static void preloadEngine(QObject *context, const std::function<void()> &then);

    static Backend defaultBackend();
    static void setDefaultBackend(Backend backend); // tests choose the light view
    static bool webEngineAvailable();

Q_SIGNALS:
    void loadFinished(bool ok);

private:
    class Impl;
    std::unique_ptr<Impl> d;
    QString m_location;
    int m_navigations = 0;
};

} // namespace platform
