#pragma once

#include <QString>
#include <QStringList>
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
    // Opens a page ahead, while the view's window is still hidden and before its first Navigate,
    // so that page is on screen as soon as the window is: the first Navigate to the same page
    // takes it as it is (reported by loadFinished as if opened then), any other opens as ever.
    // Only with the web engine, and only for a course page that is there; otherwise nothing.
    void preload(const QString &path);
    // Loads the web engine's libraries on a worker thread, then runs then() on context's
    // thread; at once when there is nothing to load. Once per run, before the first view is
    // made, which would otherwise load them on the event loop's thread.
    static void preloadEngine(QObject *context, const std::function<void()> &then);

    // Find in page: looks for the text from the active match on, forwards or back, marks every
    // match and scrolls to the active one; found() tells the result. Empty text clears the marks.
    void find(const QString &text, bool backward = false);
    // Marks the words (whole words, in any case) on the page shown, or on the page being opened
    // once it is there, and scrolls to the first; marked() tells how many. The next page opened
    // goes without them.
    void markWords(const QStringList &words);
    QStringList markedWords() const;
    // The page's size in percent of its own.
    void setZoom(int percent);
    int zoom() const;
    // Light text on a dark page, for every page from now on.
    void setDarkPage(bool dark);
    bool darkPage() const;

    static Backend defaultBackend();
    static void setDefaultBackend(Backend backend); // tests choose the light view
    static bool webEngineAvailable();

Q_SIGNALS:
    void loadFinished(bool ok);
    // The active match (from 1; 0 with none) and the number of matches of find().
    void found(int active, int count);
    // The words of markWords() marked on the page shown.
    void marked(int count);

private:
    class Impl;
    std::unique_ptr<Impl> d;
    QString m_location;
    int m_navigations = 0;
};

} // namespace platform
