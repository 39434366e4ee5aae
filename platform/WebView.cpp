#include "WebView.h"

#include "ProgramPaths.h"
#include "ShellOpen.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#ifdef TEXTBOOK_WEBENGINE
#include <QWebEnginePage>
#include <QWebEngineView>
#endif

namespace platform {

namespace {

WebView::Backend &backendChoice()
{
#ifdef TEXTBOOK_WEBENGINE
    static WebView::Backend backend = WebView::Backend::WebEngine;
#else
    static WebView::Backend backend = WebView::Backend::TextBrowser;
#endif
    return backend;
}

QString missingPageHtml(const QString &path)
{
    return QStringLiteral("<html><head><meta charset=\"utf-8\"></head>"
                          "<body style=\"font-family: sans-serif; margin: 2em\">"
                          "<h2>Страница не найдена</h2><p>Файл страницы отсутствует:</p><p><code>%1</code></p>"
                          "<p>Проверьте, что папка Glaves лежит рядом с программой.</p></body></html>")
        .arg(path.toHtmlEscaped());
}

bool followLink(const QUrl &url)
{
    switch (classifyLink(url)) {
    case LinkTarget::InView:
        return true;
    case LinkTarget::DesktopProgram:
        shellOpen(url.toLocalFile());
        return false;
    case LinkTarget::Browser:
        openInBrowser(url.toString());
        return false;
    }
    return false;
}

#ifdef TEXTBOOK_WEBENGINE
class CoursePage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override
    {
        if (type == NavigationTypeLinkClicked && isMainFrame)
            return followLink(url);
        return true;
    }
};
#endif

} // namespace

LinkTarget classifyLink(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    if (scheme == u"file" || scheme.isEmpty()) {
        const QString suffix = QFileInfo(url.path()).suffix().toLower();
        if (suffix == u"htm" || suffix == u"html" || url.path().isEmpty())
            return LinkTarget::InView;
        return LinkTarget::DesktopProgram;
    }
    if (scheme == u"about" || scheme == u"data")
        return LinkTarget::InView;
    return LinkTarget::Browser;
}

class WebView::Impl
{
public:
    explicit Impl(WebView *owner) : q(owner) {}

    void create()
    {
        if (widget)
            return;
        auto *layout = new QVBoxLayout(q);
        layout->setContentsMargins(0, 0, 0, 0);
#ifdef TEXTBOOK_WEBENGINE
        if (backendChoice() == Backend::WebEngine) {
            auto *view = new QWebEngineView(q);
            view->setPage(new CoursePage(view));
            QObject::connect(view, &QWebEngineView::loadFinished, q, &WebView::loadFinished);
            engine = view;
            widget = view;
        }
#endif
        if (!widget) {
            auto *browser = new QTextBrowser(q);
            browser->setOpenLinks(false);
            browser->setFrameShape(QFrame::NoFrame);
            QObject::connect(browser, &QTextBrowser::anchorClicked, q, [this](const QUrl &link) {
                const QUrl url = text->source().resolved(link);
                if (followLink(url))
                    showInText(url.toLocalFile());
            });
            text = browser;
            widget = browser;
        }
        layout->addWidget(widget);
    }

    void show(const QString &file)
    {
        create();
        const bool exists = !file.isEmpty() && QFileInfo(file).isFile();
#ifdef TEXTBOOK_WEBENGINE
        if (engine) {
            if (file.isEmpty())
                engine->setUrl(QUrl(QStringLiteral("about:blank")));
            else if (exists)
                engine->setUrl(QUrl::fromLocalFile(file));
            else
                engine->setHtml(missingPageHtml(file), QUrl::fromLocalFile(file));
            return;
        }
#endif
        if (file.isEmpty()) {
            text->clear();
        } else if (exists) {
            showInText(file);
            return;
        } else {
            text->setHtml(missingPageHtml(file));
        }
        Q_EMIT q->loadFinished(exists);
    }

    void showInText(const QString &file)
    {
        if (!QFileInfo(file).isFile()) {
            text->setHtml(missingPageHtml(file));
            Q_EMIT q->loadFinished(false);
            return;
        }
        text->setSource(QUrl::fromLocalFile(file));
        Q_EMIT q->loadFinished(true);
    }

    WebView *q;
    QWidget *widget = nullptr;
    QTextBrowser *text = nullptr;
#ifdef TEXTBOOK_WEBENGINE
    QWebEngineView *engine = nullptr;
#endif
};

WebView::WebView(QWidget *parent) : QWidget(parent), d(std::make_unique<Impl>(this)) {}

WebView::~WebView() = default;

void WebView::Navigate(const QString &path)
{
    m_location = path;
    ++m_navigations;
    d->show(localPath(path));
}

QString WebView::Path() const
{
    return programFolder();
}

void WebView::prepare()
{
    d->create();
}

WebView::Backend WebView::defaultBackend()
{
    return backendChoice();
}

void WebView::setDefaultBackend(Backend backend)
{
    if (backend == Backend::WebEngine && !webEngineAvailable())
        return;
    backendChoice() = backend;
}

bool WebView::webEngineAvailable()
{
#ifdef TEXTBOOK_WEBENGINE
    return true;
#else
    return false;
#endif
}

} // namespace platform
