#include "WebView.h"

#include "PageEngine.h"
#include "ProgramPaths.h"
#include "ShellOpen.h"
#include "TextPage.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#ifdef TEXTBOOK_WEBENGINE
#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QOpenGLContext>
#include <QThread>

QT_BEGIN_NAMESPACE
// Exported by Qt GUI for the web engine's set-up; declared here as the engine itself does.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);
Q_GUI_EXPORT QOpenGLContext *qt_gl_global_share_context();
QT_END_NAMESPACE
#endif

namespace platform {

namespace {

WebView::Backend &backendChoice()
{
    // The module is looked for only when the first view is made; without it the light view serves.
#ifdef TEXTBOOK_WEBENGINE
    static WebView::Backend backend = WebView::Backend::WebEngine;
#else
    static WebView::Backend backend = WebView::Backend::TextBrowser;
#endif
    return backend;
}

#ifdef TEXTBOOK_WEBENGINE
// The engine reads the format of the application's shared GL context as it starts, even when
// it draws without GL (as the module has it do), and warns unless one exists when its
// libraries load. This context is never created, so no GL driver is loaded for it.
void provideShareContext()
{
    if (qt_gl_global_share_context())
        return;
    static QOpenGLContext *unused = new QOpenGLContext;
    qt_gl_set_global_share_context(unused);
    qAddPostRoutine([] {
        qt_gl_set_global_share_context(nullptr);
        delete unused;
    });
}

// The web engine module: beside the program, else in the build's program folder (for tests run
// from elsewhere in the build tree). Empty when there is none.
QString engineModuleFile()
{
    const QStringList folders{QCoreApplication::applicationDirPath(), QStringLiteral(TEXTBOOK_ENGINE_BUILD_DIR)};
    for (const QString &folder : folders) {
        const QString file = QDir(folder).filePath(QStringLiteral(TEXTBOOK_ENGINE_MODULE));
        if (QFileInfo::exists(file))
            return file;
    }
    return {};
}

// What must be in place before the module's libraries load.
void prepareEngineLoad()
{
    provideShareContext();
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    const QByteArray own[] = {
        // Composited in software, as the module draws (see there).
        "--disable-gpu",
        // No standing helper process for unsandboxed utilities (the network service runs in the
        // program already): one process, 9 MB and part of the start fewer. Such a utility, if
        // one is ever wanted, is started directly.
        "--no-unsandboxed-zygote",
    };
    for (const QByteArray &flag : own) {
        if (!flags.contains(flag))
            flags += ' ' + flag;
    }
    setOwnEnvironment("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
}

// Loads the web engine module once. Null when it is missing or does not load.
CreatePageEngine pageEngineFactory()
{
    static const CreatePageEngine factory = []() -> CreatePageEngine {
        const QString file = engineModuleFile();
        if (file.isEmpty())
            return nullptr;
        prepareEngineLoad();
        QLibrary module(file);
        if (auto create = reinterpret_cast<CreatePageEngine>(module.resolve(VELANIKA_PAGE_ENGINE_ENTRY)))
            return create;
        qWarning("Page engine module not loaded, pages use the light view: %s", qPrintable(module.errorString()));
        return nullptr;
    }();
    return factory;
}
#endif

QString missingPageHtml(const QString &path)
{
    return QStringLiteral("<html><head><meta charset=\"utf-8\"></head>"
                          "<body style=\"font-family: sans-serif; margin: 2em\">"
                          "<h2>Страница не найдена</h2><p>Файл страницы отсутствует:</p><p><code>%1</code></p>"
                          "<p>Проверьте, что папка Glaves лежит рядом с программой.</p></body></html>")
        .arg(path.toHtmlEscaped());
}

#ifdef TEXTBOOK_WEBENGINE
// A little text in the faces and sizes the course pages use, laid out ahead, so the page process
// has its fonts loaded when the first real page comes.
QString warmUpHtml()
{
    return QStringLiteral("<html><head><meta charset=\"utf-8\"></head>"
                          "<body style=\"font: 14pt 'Times New Roman', serif\">"
                          "<h1 style=\"font: bold 18pt Arial, sans-serif\">Глава</h1>"
                          "<p>Текст <b>текст</b> <i>текст</i></p></body></html>");
}
#endif

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

    ~Impl()
    {
        // The view goes before the hooks it calls.
        if (engine)
            delete engine->widget();
    }

    void create()
    {
        if (widget)
            return;
        auto *layout = new QVBoxLayout(q);
        layout->setContentsMargins(0, 0, 0, 0);
#ifdef TEXTBOOK_WEBENGINE
        if (backendChoice() == Backend::WebEngine) {
            if (CreatePageEngine make = pageEngineFactory()) {
                PageEngineHooks hooks;
                hooks.followLink = followLink;
                hooks.loaded = [this](const QUrl &, bool ok) {
                    // The warm-up page of prepare() is nobody's business.
                    if (q->navigationCount() == 0)
                        return;
                    Q_EMIT q->loadFinished(ok);
                };
                engine.reset(make(q, hooks));
                widget = engine->widget();
            }
        }
#endif
        if (!widget) {
            auto *browser = new TextPage(q);
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
                engine->open(QUrl(QStringLiteral("about:blank")));
            else if (exists)
                engine->open(QUrl::fromLocalFile(file));
            else
                engine->openHtml(missingPageHtml(file), QUrl::fromLocalFile(file));
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
    std::unique_ptr<PageEngine> engine;
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
#ifdef TEXTBOOK_WEBENGINE
    // A first load starts the engine's page process and its fonts, so the first real page finds
    // them ready. Its base is the pages' folder, so they are served by the same process.
    if (d->engine && m_navigations == 0)
        d->engine->openHtml(warmUpHtml(), QUrl::fromLocalFile(programFolder() + QStringLiteral("Glaves/")));
#endif
}

void WebView::preloadEngine(QObject *context, const std::function<void()> &then)
{
#ifdef TEXTBOOK_WEBENGINE
    static QThread *loader = nullptr;
    const QString file = backendChoice() == Backend::WebEngine && !loader ? engineModuleFile() : QString();
    if (!file.isEmpty()) {
        prepareEngineLoad();
        // Mapping and relocating the engine's libraries takes tens of milliseconds; off the
        // event loop's thread it costs the windows nothing. The library stays loaded for
        // pageEngineFactory() to find.
        loader = QThread::create([file] { QLibrary(file).load(); });
        QObject::connect(loader, &QThread::finished, context, then);
        // The program may end while the libraries are still loading.
        qAddPostRoutine([] { loader->wait(); });
        loader->start();
        return;
    }
#else
    Q_UNUSED(context);
#endif
    then();
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
    return pageEngineFactory() != nullptr;
#else
    return false;
#endif
}

} // namespace platform
