// The web engine module: course pages rendered by Qt WebEngine.

#include "platform/PageEngine.h"

#include <QQuickWindow>
#include <QWebEnginePage>
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

class CoursePage : public QWebEnginePage
{
public:
    CoursePage(const platform::PageEngineHooks &hooks, QObject *parent) : QWebEnginePage(parent), m_hooks(hooks) {}

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override
    {
        if (type == NavigationTypeLinkClicked && isMainFrame && m_hooks.followLink)
            return m_hooks.followLink(url);
        return true;
    }

private:
    platform::PageEngineHooks m_hooks;
};

class CoursePageEngine : public platform::PageEngine
{
public:
    CoursePageEngine(QWidget *parent, const platform::PageEngineHooks &hooks) : m_view(new QWebEngineView(parent))
    {
        m_view->setPage(new CoursePage(hooks, m_view));
        if (hooks.loaded) {
            QObject::connect(m_view, &QWebEngineView::loadFinished, m_view,
                             [view = m_view, loaded = hooks.loaded](bool ok) { loaded(view->url(), ok); });
        }
    }

    QWidget *widget() override { return m_view; }
    void open(const QUrl &url) override { m_view->setUrl(url); }
    void openHtml(const QString &html, const QUrl &base) override { m_view->setHtml(html, base); }

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
