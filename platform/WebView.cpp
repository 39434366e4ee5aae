#include "platform/WebView.h"

#include "platform/Colours.h"
#include "platform/CourseFiles.h"
#include "platform/PageEngine.h"
#include "platform/ProgramPaths.h"
#include "platform/ShellOpen.h"
#include "platform/TextPage.h"
#include "platform/TextPageLook.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextTable>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <utility>

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
        // Pages run no scripts, the program's own are a few lines: no machine code is made for
        // them at run time. 2.3 MB less in the page process, and no writable code in it.
        "--js-flags=--jitless",
    };
    for (const QByteArray &flag : own) {
        // A flag of the same name set by the user stands.
        const QByteArray name = flag.left(flag.indexOf('=') < 0 ? flag.size() : flag.indexOf('='));
        if (!flags.contains(name))
            flags += ' ' + flag;
    }
    setOwnEnvironment("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
}

// Loads the web engine module once. Null when it is missing or does not load.
CreatePageEngine pageEngineFactory()
{
    static const CreatePageEngine factory = []() -> CreatePageEngine {
        const QString file = moduleFile(QStringLiteral(TEXTBOOK_ENGINE_MODULE));
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
// has its fonts loaded when the first real page comes. Hidden: shown, it would stand in the view
// for a moment when the reader first comes up, before the page it opens.
QString warmUpHtml()
{
    return QStringLiteral("<html><head><meta charset=\"utf-8\"></head>"
                          "<body style=\"font: 14pt 'Times New Roman', serif; visibility: hidden\">"
                          "<h1 style=\"font: bold 18pt Arial, sans-serif\">Глава</h1>"
                          "<p>Текст <b>текст</b> <i>текст</i></p></body></html>");
}

#endif

// An address as the student may read it in a notice: no control or direction characters, and
// not longer than a line.
QString readable(const QUrl &url)
{
    QString text = url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile()) : url.toDisplayString();
    text.removeIf([](QChar c) { return !c.isPrint(); });
    constexpr int longest = 100;
    if (text.size() > longest)
        text = text.left(longest / 2 - 1) + QStringLiteral("…") + text.right(longest / 2 - 1);
    return text;
}

QString clickRefused(const QUrl &url)
{
    return QStringLiteral("Ссылка не открыта: «%1». Учебник открывает только свои страницы, презентации из папки "
                          "Present и веб-адреса http и https.")
        .arg(readable(url));
}

QString unclickedRefused(const QUrl &url)
{
    return QStringLiteral("Страница пыталась без вашего щелчка открыть «%1». Это запрещено, ничего не открыто.")
        .arg(readable(url));
}

QString pageRefused(const QString &path)
{
    return QStringLiteral("Страница не открыта: «%1» не является страницей учебника из папки Glaves.")
        .arg(readable(QUrl::fromLocalFile(path)));
}

// Whether the view may load a file or address: only what lies inside Glaves.
bool mayLoad(const QUrl &url)
{
    if (url.scheme() == u"data" || url == QUrl(QStringLiteral("about:blank")))
        return true;
    return url.isLocalFile() && insideCourseFolder(url.toLocalFile(), CourseFolder::Pages);
}

#ifdef TEXTBOOK_WEBENGINE
// A text as a script's string literal.
QString scriptString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

// The passage the reader was sent to is the page's target (the address's #anchor): marked by a
// style of the program's own, with a table right after it. The style is put in by a fixed script
// in a world of its own, which runs while the page's scripts stay off and which the page cannot
// reach. Only a page opened at a passage gets it: the world costs the page process about 1 MB.
const QString passageScriptName = QStringLiteral("velanika-passage");

QString passageScript()
{
    return QStringLiteral("(function () { var s = document.createElement('style');"
                          "s.textContent = ':target, :target + table { background-color: %1 !important;"
                          " outline: 3px solid #e0a800; outline-offset: 2px; }';"
                          "(document.head || document.documentElement).appendChild(s); })();")
        .arg(QString::fromLatin1(passageColour));
}

// The dark page: the pages' own colours give way to light text on a dark page; links and
// headings keep a colour of their own, pictures a light ground for their transparent parts.
QString darkPageScript(bool dark)
{
    using namespace colour::page;
    const QString css =
        QStringLiteral("html, body { background: %1 !important; }"
                       "* { color: %2 !important; background-color: transparent !important;"
                       " border-color: %3 !important; text-shadow: none !important; }"
                       "h1, h2, h3, h4, h5, h6, h1 *, h2 *, h3 *, h4 *, h5 *, h6 * { color: %4 !important; }"
                       "a:link, a:link *, a:visited, a:visited * { color: %5 !important; }"
                       "img { background-color: #f5f5f5 !important; }")
            .arg(darkBackground.name(), darkText.name(), darkBorder.name(), darkHeading.name(), darkLink.name());
    return QStringLiteral("(function (dark) {"
                          "  var style = document.getElementById('velanika-dark-page');"
                          "  if (dark && !style) {"
                          "    style = document.createElement('style');"
                          "    style.id = 'velanika-dark-page';"
                          "    style.textContent = %1;"
                          "    (document.head || document.documentElement).appendChild(style);"
                          "  } else if (!dark && style) {"
                          "    style.remove();"
                          "  }"
                          "})(%2);")
        .arg(scriptString(css), dark ? QStringLiteral("true") : QStringLiteral("false"));
}

// Marks the words in the page's text (whole words, any case), removing earlier marks, scrolls
// to the first and returns how many it marked.
QString markScript(const QStringList &words)
{
    const QByteArray list = QJsonDocument(QJsonArray::fromStringList(words)).toJson(QJsonDocument::Compact);
    return QStringLiteral(
               "(function (words) {"
               "  document.querySelectorAll('mark.velanika-mark').forEach(function (mark) {"
               "    var parent = mark.parentNode;"
               "    parent.replaceChild(document.createTextNode(mark.textContent), mark);"
               "    parent.normalize();"
               "  });"
               "  if (!words.length || !document.body) return 0;"
               "  var escaped = words.map(function (w) { return w.replace(/[.*+?^${}()|[\\]\\\\]/g, '\\\\$&'); });"
               "  var pattern = new RegExp('(?<![\\\\p{L}\\\\p{N}])(' + escaped.join('|') + ')(?![\\\\p{L}\\\\p{N}])',"
               "                           'giu');"
               "  var walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT, {"
               "    acceptNode: function (node) {"
               "      var name = node.parentNode.nodeName;"
               "      return name === 'SCRIPT' || name === 'STYLE' ? NodeFilter.FILTER_REJECT"
               "                                                 : NodeFilter.FILTER_ACCEPT;"
               "    }"
               "  });"
               "  var nodes = [];"
               "  while (walker.nextNode()) nodes.push(walker.currentNode);"
               "  var first = null, count = 0;"
               "  nodes.forEach(function (node) {"
               "    var text = node.nodeValue, found, last = 0, pieces = null;"
               "    pattern.lastIndex = 0;"
               "    while ((found = pattern.exec(text))) {"
               "      pieces = pieces || document.createDocumentFragment();"
               "      pieces.appendChild(document.createTextNode(text.slice(last, found.index)));"
               "      var mark = document.createElement('mark');"
               "      mark.className = 'velanika-mark';"
               "      mark.style.cssText = 'background-color: %2 !important; color: #000 !important';"
               "      mark.textContent = found[0];"
               "      pieces.appendChild(mark);"
               "      first = first || mark;"
               "      ++count;"
               "      last = found.index + found[0].length;"
               "    }"
               "    if (pieces) {"
               "      pieces.appendChild(document.createTextNode(text.slice(last)));"
               "      node.parentNode.replaceChild(pieces, node);"
               "    }"
               "  });"
               "  if (first) first.scrollIntoView({block: 'center'});"
               "  return count;"
               "})(%1);")
        .arg(QString::fromUtf8(list), colour::page::marked.name());
}

#endif

QTextEdit::ExtraSelection highlight(const QTextCursor &cursor, const QColor &background)
{
    QTextEdit::ExtraSelection selection;
    selection.cursor = cursor;
    selection.format.setBackground(background);
    selection.format.setForeground(Qt::black);
    return selection;
}

// Plain text, so an address cannot bring markup of its own.
class NoticeBar : public QFrame
{
public:
    explicit NoticeBar(QWidget *parent) : QFrame(parent)
    {
        setObjectName(QStringLiteral("NoticeBar"));
        setAutoFillBackground(true);
        QPalette colours = palette();
        colours.setColor(QPalette::Window, QColor(255, 243, 196));
        colours.setColor(QPalette::WindowText, QColor(60, 45, 0));
        setPalette(colours);
        setFrameShape(QFrame::StyledPanel);

        auto *icon = new QLabel(this);
        icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16));
        m_text = new QLabel(this);
        m_text->setTextFormat(Qt::PlainText);
        m_text->setWordWrap(true);
        m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto *close = new QToolButton(this);
        close->setObjectName(QStringLiteral("CloseNotice"));
        close->setText(QStringLiteral("✕"));
        close->setToolTip(QStringLiteral("Скрыть сообщение"));
        close->setAutoRaise(true);
        QObject::connect(close, &QToolButton::clicked, this, [this] { say({}); });

        auto *layout = new QHBoxLayout(this);
        layout->setContentsMargins(6, 3, 3, 3);
        layout->addWidget(icon, 0, Qt::AlignTop);
        layout->addWidget(m_text, 1);
        layout->addWidget(close, 0, Qt::AlignTop);
        hide();
    }

    void say(const QString &text)
    {
        m_text->setText(text);
        setVisible(!text.isEmpty());
    }

    QString text() const { return isHidden() ? QString() : m_text->text(); }

private:
    QLabel *m_text;
};

// The light view, held to the same files as the web engine: pictures and styles load only from
// inside Glaves.
class CourseTextBrowser : public TextPage
{
public:
    using TextPage::TextPage;

    QVariant loadResource(int type, const QUrl &name) override
    {
        const QUrl url = name.isRelative() ? source().resolved(name) : name;
        if (mayLoad(url))
            return TextPage::loadResource(type, name);
        // Something in its place: given nothing, the document reads the file itself.
        if (type == QTextDocument::ImageResource) {
            QImage nothing(1, 1, QImage::Format_ARGB32);
            nothing.fill(Qt::transparent);
            return nothing;
        }
        return QByteArray();
    }
};

// The passage at an anchor of the light view's page: the block that carries the anchor and a
// table right after it, as the engine's style marks the anchored element and such a table.
QList<QTextEdit::ExtraSelection> passageMarks(QTextDocument *document, const QString &anchor)
{
    QList<QTextEdit::ExtraSelection> marks;
    if (anchor.isEmpty())
        return marks;
    QTextCharFormat look;
    look.setBackground(QColor(QString::fromLatin1(passageColour)));
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        bool anchored = false;
        for (auto it = block.begin(); !it.atEnd() && !anchored; ++it)
            anchored = it.fragment().charFormat().anchorNames().contains(anchor);
        if (!anchored)
            continue;
        QTextCursor passage(block);
        passage.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        marks.append({passage, look});
        if (QTextTable *table = QTextCursor(block.next()).currentTable(); table && !QTextCursor(block).currentTable()) {
            QTextCursor cells = table->firstCursorPosition();
            cells.setPosition(table->lastCursorPosition().position(), QTextCursor::KeepAnchor);
            marks.append({cells, look});
        }
        break;
    }
    return marks;
}

// Where a link goes, by the real path of a local file: a course page opens in the view, a file
// inside Present in the desktop's program for it, an http or https address in the desktop's
// browser. Anything else is refused.
enum class LinkTarget
{
    InView,
    Presentation,
    Browser,
    Refused
};

LinkTarget classifyLink(const QUrl &url)
{
    if (url.isLocalFile()) {
        const QString file = url.toLocalFile();
        if (isCoursePage(file))
            return LinkTarget::InView;
        if (insideCourseFolder(file, CourseFolder::Presentations))
            return LinkTarget::Presentation;
        return LinkTarget::Refused;
    }
    const QString scheme = url.scheme().toLower();
    if ((scheme == u"http" || scheme == u"https") && !url.host().isEmpty())
        return LinkTarget::Browser;
    return LinkTarget::Refused;
}

} // namespace

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
#ifdef TEXTBOOK_WEBENGINE
        if (backendChoice() == Backend::WebEngine) {
            if (CreatePageEngine make = pageEngineFactory()) {
                PageEngineHooks hooks;
                hooks.request = [this](const QUrl &url, bool clicked, bool mainFrame) {
                    return request(url, clicked, mainFrame);
                };
                hooks.mayLoad = mayLoad;
                hooks.loaded = [this](const QUrl &url, bool ok) {
                    loading = false;
                    // The warm-up page of prepare() is nobody's business; a preloaded page is
                    // reported when a navigation takes it.
                    if (q->navigationCount() == 0) {
                        if (!preloaded.isEmpty() && url == preloaded)
                            preloadResult = ok ? Preload::Loaded : Preload::Failed;
                        return;
                    }
                    finishLoad(ok && !standIn);
                };
                engine.reset(make(q, hooks));
                widget = engine->widget();
                engine->setZoomFactor(zoom / 100.0);
                if (dark)
                    applyDark();
            }
        }
#endif
        if (!widget) {
            auto *browser = new CourseTextBrowser(q);
            browser->setOpenLinks(false);
            browser->setFrameShape(QFrame::NoFrame);
            // Only the student's click reaches here: the light view runs no scripts.
            QObject::connect(browser, &QTextBrowser::anchorClicked, q, [this](const QUrl &link) {
                const QUrl url = text->source().resolved(link);
                if (request(url, true, true))
                    showInText(url.toLocalFile());
            });
            text = browser;
            widget = browser;
        }
        layout->addWidget(widget, 1);
    }

    // What becomes of a page, frame or window the page asks for: true shows it in the view.
    // Only the student's click may send something out of the view.
    bool request(const QUrl &url, bool clicked, bool mainFrame)
    {
        const LinkTarget target = classifyLink(url);
        if (target == LinkTarget::InView) {
            if (mainFrame) {
                standIn = false;
                notice->say({});
#ifdef TEXTBOOK_WEBENGINE
                // A page the student goes on to is not a passage the reader was sent to.
                if (engine && !url.hasFragment())
                    engine->setPageScript(passageScriptName, {});
#endif
            }
            return true;
        }
        if (url.scheme() == u"about" && !mainFrame)
            return true; // an empty frame
        if (!clicked || !mainFrame) {
            notice->say(unclickedRefused(url));
            return false;
        }
        const bool handedOver = (target == LinkTarget::Browser && openInBrowser(url)) ||
                                (target == LinkTarget::Presentation && shellOpen(url.toLocalFile()));
        if (!handedOver)
            notice->say(clickRefused(url));
        return false;
    }

    // What follows the engine's load of a page: the zoom is kept for the page as the student set
    // it, whatever the engine does per page.
    void finishLoad(bool shown)
    {
#ifdef TEXTBOOK_WEBENGINE
        engine->setZoomFactor(zoom / 100.0);
        // The warm-up page is no page of the student's to go back to.
        if (!warmUpForgotten) {
            engine->forgetEarlierPages();
            warmUpForgotten = true;
        }
#endif
        if (!marks.isEmpty())
            applyMarks(true);
        Q_EMIT q->loadFinished(shown);
    }

    // The first navigation takes the page preload() opened when it is the same file: true when
    // it did, and nothing more is to be opened.
    bool takePreloaded(const QString &file)
    {
#ifdef TEXTBOOK_WEBENGINE
        const QUrl url = std::exchange(preloaded, QUrl());
        if (!engine || url.isEmpty() || q->navigationCount() != 1 || url != QUrl::fromLocalFile(file))
            return false;
        notice->say({});
        standIn = false;
        if (preloadResult != Preload::Loading) {
            // Told after the caller is done, as for a page opened now.
            const bool ok = preloadResult == Preload::Loaded;
            QTimer::singleShot(0, q, [this, ok] { finishLoad(ok); });
        }
        // Still loading: the end of that load is reported as this navigation's.
        return true;
#else
        Q_UNUSED(file);
        return false;
#endif
    }

    void show(const QString &file, const QString &anchor = {})
    {
        create();
        notice->say({});
        if (!file.isEmpty() && !isCoursePage(file)) {
            notice->say(pageRefused(file));
            showStandIn({});
            return;
        }
        if (!file.isEmpty() && QFileInfo(file).isFile()) {
            standIn = false;
#ifdef TEXTBOOK_WEBENGINE
            if (engine) {
                loading = true;
                QUrl url = QUrl::fromLocalFile(file);
                if (!anchor.isEmpty())
                    url.setFragment(anchor);
                engine->setPageScript(passageScriptName, anchor.isEmpty() ? QString() : passageScript());
                engine->open(url);
                return;
            }
#endif
            showInText(file, anchor);
            return;
        }
        showStandIn(file.isEmpty() ? QString() : missingPageHtml(file));
    }

    // Something other than the page asked for stands in its place: nothing, or a notice.
    void showStandIn(const QString &html)
    {
        standIn = true;
#ifdef TEXTBOOK_WEBENGINE
        if (engine) {
            loading = true;
            if (html.isEmpty())
                engine->open(QUrl(QStringLiteral("about:blank")));
            else
                engine->openHtml(html, QUrl());
            return;
        }
#endif
        standInHtml = html;
        passageSelections.clear();
        showSelections();
        if (html.isEmpty())
            text->clear();
        else
            text->setHtml(html);
        textpage::restyle(text, zoom / 100.0, dark);
        Q_EMIT q->loadFinished(false);
    }

    void showInText(const QString &file, const QString &anchor = {})
    {
        if (!QFileInfo(file).isFile()) {
            showStandIn(missingPageHtml(file));
            return;
        }
        standIn = false;
        passageSelections.clear();
        text->setSource(QUrl::fromLocalFile(file));
        textpage::restyle(text, zoom / 100.0, dark);
        if (!anchor.isEmpty()) {
            text->scrollToAnchor(anchor);
            passageSelections = passageMarks(text->document(), anchor);
        }
        if (!marks.isEmpty())
            applyMarks(anchor.isEmpty()); // the passage decides where the page stands
        else
            showSelections();
        Q_EMIT q->loadFinished(true);
    }

    // A new page: the marks and matches of the last one go.
    void forget()
    {
        marks.clear();
        findText.clear();
        findMatches.clear();
        markSelections.clear();
        findSelections.clear();
        if (text)
            showSelections();
    }

    void applyMarks(bool scroll)
    {
#ifdef TEXTBOOK_WEBENGINE
        if (engine) {
            engine->runScript(markScript(marks), [this](const QVariant &count) { Q_EMIT q->marked(count.toInt()); });
            return;
        }
#endif
        markSelections.clear();
        QTextCursor first;
        for (const QString &word : std::as_const(marks)) {
            for (const QTextCursor &cursor : textpage::occurrences(text->document(), word, true)) {
                markSelections << highlight(cursor, colour::page::marked);
                if (first.isNull() || cursor.selectionStart() < first.selectionStart())
                    first = cursor;
            }
        }
        showSelections();
        if (scroll && !first.isNull())
            textpage::scrollTo(text, first);
        Q_EMIT q->marked(int(markSelections.size()));
    }

    void find(const QString &wanted, bool backward)
    {
#ifdef TEXTBOOK_WEBENGINE
        if (engine) {
            engine->find(wanted, backward, [this](int active, int count) { Q_EMIT q->found(active, count); });
            return;
        }
#endif
        if (wanted != findText) {
            findText = wanted;
            findMatches = textpage::occurrences(text->document(), wanted, false);
            // The first match from the top of what is in view on.
            const int top = text->cursorForPosition(QPoint(0, 0)).position();
            findActive = 0;
            while (findActive < findMatches.size() && findMatches[findActive].selectionStart() < top)
                ++findActive;
            if (backward)
                --findActive;
            if (findActive < 0 || findActive >= findMatches.size())
                findActive = backward ? int(findMatches.size()) - 1 : 0;
        } else if (!findMatches.isEmpty()) {
            const int count = int(findMatches.size());
            findActive = (findActive + (backward ? count - 1 : 1)) % count;
        }
        showFound(true);
    }

    void showFound(bool scroll)
    {
        findSelections.clear();
        for (int i = 0; i < findMatches.size(); ++i)
            findSelections << highlight(findMatches[i],
                                        i == findActive ? colour::page::activeFound : colour::page::found);
        showSelections();
        if (findMatches.isEmpty()) {
            Q_EMIT q->found(0, 0);
            return;
        }
        if (scroll)
            textpage::scrollTo(text, findMatches[findActive]);
        Q_EMIT q->found(findActive + 1, int(findMatches.size()));
    }

    void showSelections()
    {
        text->setExtraSelections(passageSelections + markSelections + findSelections);
    }

    // The light view's page again as loaded, in the size and colours now asked for, keeping the
    // place read and the marks.
    void restyleText()
    {
        QScrollBar *bar = text->verticalScrollBar();
        const double place = bar->maximum() > 0 ? double(bar->value()) / bar->maximum() : 0.0;
        if (standIn) {
            if (standInHtml.isEmpty())
                text->clear();
            else
                text->setHtml(standInHtml);
        } else {
            text->reload();
        }
        textpage::restyle(text, zoom / 100.0, dark);
        bar->setValue(qRound(place * bar->maximum()));
        applyMarks(false);
        findMatches = textpage::occurrences(text->document(), findText, false);
        if (findActive >= findMatches.size())
            findActive = 0;
        showFound(false);
    }

    void applyDark()
    {
#ifdef TEXTBOOK_WEBENGINE
        if (engine) {
            engine->setPageScript(QStringLiteral("velanika-dark-page"), dark ? darkPageScript(true) : QString());
            engine->runScript(darkPageScript(dark), {});
            engine->setBackground(dark ? colour::page::darkBackground : QColor(Qt::white));
            return;
        }
#endif
        restyleText();
    }

    QUrl shownUrl() const
    {
        if (standIn || !widget)
            return {};
#ifdef TEXTBOOK_WEBENGINE
        if (engine)
            return engine->url();
#endif
        return text->source();
    }

    WebView *q;
    QVBoxLayout *layout = nullptr;
    NoticeBar *notice = nullptr;
    QWidget *widget = nullptr;
    QTextBrowser *text = nullptr;
    std::unique_ptr<PageEngine> engine;
    // Nothing, or a notice, stands where a page would be.
    bool standIn = true;
    // The engine is opening a page.
    bool loading = false;
    // The page preload() opened, until the first navigation takes it or opens another.
    QUrl preloaded;
    enum class Preload
    {
        Loading,
        Loaded,
        Failed
    } preloadResult = Preload::Loading;
    // The history no longer holds the warm-up page.
    bool warmUpForgotten = false;
    QStringList marks;
    int zoom = 100;
    bool dark = false;
    // The light view's marks and matches.
    QString standInHtml;
    QString findText;
    QList<QTextCursor> findMatches;
    int findActive = 0;
    QList<QTextEdit::ExtraSelection> passageSelections; // the place a review led to
    QList<QTextEdit::ExtraSelection> markSelections;
    QList<QTextEdit::ExtraSelection> findSelections;
};

WebView::WebView(QWidget *parent) : QWidget(parent), d(std::make_unique<Impl>(this))
{
    d->layout = new QVBoxLayout(this);
    d->layout->setContentsMargins(0, 0, 0, 0);
    d->layout->setSpacing(0);
    d->notice = new NoticeBar(this);
    d->layout->addWidget(d->notice);
}

WebView::~WebView() = default;

void WebView::Navigate(const QString &path)
{
    m_location = path;
    ++m_navigations;
    d->forget();
    if (!d->takePreloaded(localPath(path)))
        d->show(localPath(path));
}

void WebView::preload(const QString &path)
{
#ifdef TEXTBOOK_WEBENGINE
    const QString file = localPath(path);
    if (!d->engine || m_navigations > 0 || window()->isVisible() || !isCoursePage(file) || !QFileInfo(file).isFile())
        return;
    const QUrl url = QUrl::fromLocalFile(file);
    if (url == d->preloaded)
        return;
    d->preloaded = url;
    d->preloadResult = Impl::Preload::Loading;
    d->loading = true;
    d->engine->open(url);
#else
    Q_UNUSED(path);
#endif
}

void WebView::showPlace(const QString &path, const QString &anchor)
{
    m_location = path;
    ++m_navigations;
    d->show(localPath(path), anchor);
}

QString WebView::Path() const
{
    return programFolder();
}

QUrl WebView::shownUrl() const
{
    return d->shownUrl();
}

void WebView::showNotice(const QString &text)
{
    d->notice->say(text);
}

QString WebView::notice() const
{
    return d->notice->text();
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

void WebView::find(const QString &text, bool backward)
{
    d->create();
    d->find(text, backward);
}

void WebView::markWords(const QStringList &words)
{
    d->marks = words;
    // Once the page being opened is there, else now.
    if (d->widget && !d->loading)
        d->applyMarks(true);
}

QStringList WebView::markedWords() const
{
    return d->marks;
}

void WebView::setZoom(int percent)
{
    if (percent == d->zoom)
        return;
    d->zoom = percent;
    if (!d->widget)
        return;
#ifdef TEXTBOOK_WEBENGINE
    if (d->engine) {
        d->engine->setZoomFactor(percent / 100.0);
        return;
    }
#endif
    d->restyleText();
}

int WebView::zoom() const
{
    return d->zoom;
}

void WebView::setDarkPage(bool dark)
{
    if (dark == d->dark)
        return;
    d->dark = dark;
    if (d->widget)
        d->applyDark();
}

bool WebView::darkPage() const
{
    return d->dark;
}

void WebView::preloadEngine(QObject *context, const std::function<void()> &then)
{
#ifdef TEXTBOOK_WEBENGINE
    static QThread *loader = nullptr;
    const QString file = backendChoice() == Backend::WebEngine && !loader
                             ? moduleFile(QStringLiteral(TEXTBOOK_ENGINE_MODULE))
                             : QString();
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
