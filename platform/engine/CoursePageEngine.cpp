// The web engine module: course pages rendered by Qt WebEngine.

#include "platform/PageEngine.h"

#include <QMenu>
#include <QQuickWindow>
#include <QWebEngineFindTextResult>
#include <QWebEngineHistory>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

namespace {

// Course pages are static text and pictures: software compositing draws them as fast as the
// GPU path, needs no OpenGL (no GL driver loaded into the process, tens of MB less memory) and
// works on machines whose GL is missing or broken.
void chooseSoftwareRendering()
{
    static const bool chosen = [] {
        // The engine itself is told by the program (--disable-gpu) before this module loads.
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        return true;
    }();
    Q_UNUSED(chosen);
}

// Course pages are text and pictures and need nothing more. With scripts off a page can neither
// read files nor fake a click, so a followed link is always the student's own. Local pages keep
// their access to local files: without it the engine loads not even the pictures beside the
// page; the load guard below keeps them to Glaves.
void restrict(QWebEngineSettings *settings)
{
    using S = QWebEngineSettings;
    for (const S::WebAttribute off :
         {S::JavascriptEnabled, S::JavascriptCanOpenWindows, S::JavascriptCanAccessClipboard, S::JavascriptCanPaste,
          S::AllowWindowActivationFromJavaScript, S::LocalContentCanAccessRemoteUrls, S::LocalStorageEnabled,
          S::PluginsEnabled, S::PdfViewerEnabled, S::HyperlinkAuditingEnabled, S::NavigateOnDropEnabled,
          S::AutoLoadIconsForPage, S::DnsPrefetchEnabled, S::WebGLEnabled, S::ScreenCaptureEnabled,
          S::AllowRunningInsecureContent, S::AllowGeolocationOnInsecureOrigins})
        settings->setAttribute(off, false);
}

// Every load of the page, pictures and styles included, passes the program's rule.
class LoadGuard : public QWebEngineUrlRequestInterceptor
{
public:
    LoadGuard(std::function<bool(const QUrl &)> mayLoad, QObject *parent)
        : QWebEngineUrlRequestInterceptor(parent), m_mayLoad(std::move(mayLoad))
    {}

    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        if (!m_mayLoad || !m_mayLoad(info.requestUrl()))
            info.block(true);
    }

private:
    std::function<bool(const QUrl &)> m_mayLoad;
};

class CoursePage : public QWebEnginePage
{
public:
    CoursePage(const platform::PageEngineHooks &hooks, QObject *parent) : QWebEnginePage(parent), m_hooks(hooks)
    {
        restrict(settings());
        setUrlRequestInterceptor(new LoadGuard(hooks.mayLoad, this));
        // A link meant for a new window: judged as the same link in this one. The window itself
        // is never made.
        connect(this, &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest &request) {
            const QUrl url = request.requestedUrl();
            if (m_hooks.request && m_hooks.request(url, request.isUserInitiated(), true))
                load(url);
        });
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override
    {
        // The program's own loads, and going back to or reloading what was shown.
        if (isMainFrame &&
            (type == NavigationTypeTyped || type == NavigationTypeBackForward || type == NavigationTypeReload))
            return true;
        return m_hooks.request && m_hooks.request(url, type == NavigationTypeLinkClicked, isMainFrame);
    }

private:
    platform::PageEngineHooks m_hooks;
};

// The engine's own menu, less what leads nowhere here: the page's source and saving to disk
// would be refused by the load rule or dropped with no one to take the download.
void offerWorkingCommandsOnly(QWebEngineView *view)
{
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(view, &QWidget::customContextMenuRequested, view, [view](const QPoint &at) {
        QMenu *menu = view->createStandardContextMenu();
        for (const QWebEnginePage::WebAction nowhere :
             {QWebEnginePage::ViewSource, QWebEnginePage::SavePage, QWebEnginePage::DownloadLinkToDisk,
              QWebEnginePage::DownloadImageToDisk, QWebEnginePage::DownloadMediaToDisk, QWebEnginePage::InspectElement})
            menu->removeAction(view->pageAction(nowhere));
        if (menu->actions().isEmpty())
            delete menu;
        else
            menu->popup(view->mapToGlobal(at));
    });
}

class CoursePageEngine : public platform::PageEngine
{
public:
    CoursePageEngine(QWidget *parent, const platform::PageEngineHooks &hooks) : m_view(new QWebEngineView(parent))
    {
        m_view->setPage(new CoursePage(hooks, m_view));
        offerWorkingCommandsOnly(m_view);
        if (hooks.loaded) {
            QObject::connect(m_view, &QWebEngineView::loadFinished, m_view,
                             [view = m_view, loaded = hooks.loaded](bool ok) { loaded(view->url(), ok); });
        }
    }

    QWidget *widget() override { return m_view; }
    void open(const QUrl &url) override { m_view->setUrl(url); }
    void openHtml(const QString &html, const QUrl &base) override { m_view->setHtml(html, base); }
    QUrl url() const override { return m_view->url(); }

    void find(const QString &text, bool backward, const std::function<void(int, int)> &done) override
    {
        m_view->page()->findText(
            text, backward ? QWebEnginePage::FindBackward : QWebEnginePage::FindFlags(),
            [done](const QWebEngineFindTextResult &result) { done(result.activeMatch(), result.numberOfMatches()); });
    }

    void setZoomFactor(double factor) override { m_view->setZoomFactor(factor); }

    // The program's scripts run in a world of their own: the page's scripts are off, and the
    // program's need not be on for them to run.
    void runScript(const QString &source, const std::function<void(const QVariant &)> &done) override
    {
        m_view->page()->runJavaScript(source, QWebEngineScript::ApplicationWorld, done);
    }

    void setPageScript(const QString &name, const QString &source) override
    {
        QWebEngineScriptCollection &scripts = m_view->page()->scripts();
        for (const QWebEngineScript &old : scripts.find(name))
            scripts.remove(old);
        if (source.isEmpty())
            return;
        QWebEngineScript script;
        script.setName(name);
        script.setSourceCode(source);
        script.setWorldId(QWebEngineScript::ApplicationWorld);
        script.setInjectionPoint(QWebEngineScript::DocumentReady);
        script.setRunsOnSubFrames(true);
        scripts.insert(script);
    }

    void setBackground(const QColor &colour) override { m_view->page()->setBackgroundColor(colour); }
    void forgetEarlierPages() override { m_view->history()->clear(); }

private:
    QWebEngineView *m_view;
};

} // namespace

extern "C" Q_DECL_EXPORT platform::PageEngine *velanika_create_page_engine(QWidget *parent,
                                                                           const platform::PageEngineHooks &hooks)
{
    chooseSoftwareRendering();
    return new CoursePageEngine(parent, hooks);
}
