// The page view's reading aids in both views: find in page, words marked, zoom and the dark page.

#include "app/Startup.h"
#include "platform/Colours.h"
#include "platform/ProgramPaths.h"
#include "platform/WebView.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>

#ifdef TEXTBOOK_WEBENGINE
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#endif

using platform::WebView;

Q_DECLARE_METATYPE(WebView::Backend)

namespace {

const char *const pageHtml =
    R"(<html><head><meta charset="utf-8"><style>body { background: white; color: #000080 }</style></head>
<body><h1>Оценка знаний</h1>
<p>Оценка и оценки. Шкала <a href="other.htm">оценок</a>.</p>
<p style="font-size: 14pt">Оценкам нужна шкала. ОЦЕНКА.</p></body></html>)";

// A fragment of the light view's page that holds the text.
QTextCharFormat formatOf(WebView &view, const QString &text)
{
    const QTextDocument *document = view.findChild<QTextBrowser *>()->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().text().contains(text))
                return it.fragment().charFormat();
    return {};
}

} // namespace

class TestPageView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void findInPage_data();
    void findInPage();
    void markedWords_data();
    void markedWords();
    void zoomAndDarkPage_data();
    void zoomAndDarkPage();

private:
    void open(const QString &page);
    void addBackends();
#ifdef TEXTBOOK_WEBENGINE
    // What a script of the program's says about the engine's page.
    QVariant evaluate(const QString &script);
#endif

    QTemporaryDir m_dir;
    std::unique_ptr<WebView> m_view;
};

void TestPageView::initTestCase()
{
    QDir(m_dir.path()).mkpath(QStringLiteral("Glaves"));
    platform::setProgramFolder(m_dir.path());
    for (const char *name : {"page.htm", "other.htm"}) {
        QFile file(m_dir.filePath(QStringLiteral("Glaves/") + QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(pageHtml);
    }
}

void TestPageView::cleanupTestCase()
{
    platform::setProgramFolder({});
}

void TestPageView::init()
{
    QFETCH(WebView::Backend, backend);
#ifndef TEXTBOOK_WEBENGINE
    if (backend == WebView::Backend::WebEngine)
        QSKIP("built without Qt WebEngine");
#endif
    WebView::setDefaultBackend(backend);
    m_view = std::make_unique<WebView>();
    m_view->resize(600, 400);
    m_view->show();
}

void TestPageView::addBackends()
{
    QTest::addColumn<WebView::Backend>("backend");
    QTest::newRow("light view") << WebView::Backend::TextBrowser;
    QTest::newRow("web engine") << WebView::Backend::WebEngine;
}

void TestPageView::open(const QString &page)
{
    QSignalSpy loaded(m_view.get(), &WebView::loadFinished);
    m_view->Navigate(m_dir.filePath(QStringLiteral("Glaves/") + page));
    QVERIFY(loaded.count() > 0 || loaded.wait(30000));
}

#ifdef TEXTBOOK_WEBENGINE
QVariant TestPageView::evaluate(const QString &script)
{
    QVariant result;
    bool done = false;
    m_view->findChild<QWebEngineView *>()->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                                                                 [&](const QVariant &value) {
                                                                     result = value;
                                                                     done = true;
                                                                 });
    if (!QTest::qWaitFor([&] { return done; }, 30000))
        return {};
    return result;
}
#endif

void TestPageView::findInPage_data()
{
    addBackends();
}

// Any case, every match counted; next and previous go round; empty text finds nothing.
void TestPageView::findInPage()
{
    open(QStringLiteral("page.htm"));
    QSignalSpy found(m_view.get(), &WebView::found);
    const auto step = [&](const QString &text, bool backward) -> QPair<int, int> {
        found.clear();
        m_view->find(text, backward);
        if (found.isEmpty() && !found.wait(30000))
            return {-1, -1};
        return {found.last().at(0).toInt(), found.last().at(1).toInt()};
    };
    using Result = QPair<int, int>;
    QCOMPARE(step(QStringLiteral("оценк"), false), Result(1, 5));
    QCOMPARE(step(QStringLiteral("оценк"), false), Result(2, 5));
    QCOMPARE(step(QStringLiteral("оценк"), true), Result(1, 5));
    QCOMPARE(step(QStringLiteral("оценк"), true), Result(5, 5));
    QCOMPARE(step(QStringLiteral("квант"), false).second, 0);
}

void TestPageView::markedWords_data()
{
    addBackends();
}

// Whole words in any case; marks asked for before the page is there wait for it, and the next
// page goes without them.
void TestPageView::markedWords()
{
    QSignalSpy marked(m_view.get(), &WebView::marked);
    m_view->Navigate(m_dir.filePath(QStringLiteral("Glaves/page.htm")));
    m_view->markWords({QStringLiteral("оценка"), QStringLiteral("оценок")});
    QVERIFY(marked.count() > 0 || marked.wait(30000));
    QCOMPARE(marked.last().at(0).toInt(), 4);

    open(QStringLiteral("other.htm"));
    QVERIFY(m_view->markedWords().isEmpty());
#ifdef TEXTBOOK_WEBENGINE
    if (m_view->findChild<QWebEngineView *>()) {
        QCOMPARE(evaluate(QStringLiteral("document.querySelectorAll('mark').length")).toInt(), 0);
        return;
    }
#endif
    QVERIFY(m_view->findChild<QTextBrowser *>()->extraSelections().isEmpty());
}

void TestPageView::zoomAndDarkPage_data()
{
    addBackends();
}

// Both hold for the pages opened later, and turning them back gives the page as it was.
void TestPageView::zoomAndDarkPage()
{
    open(QStringLiteral("page.htm"));
    m_view->setZoom(150);
    m_view->setDarkPage(true);
    open(QStringLiteral("other.htm"));
    QCOMPARE(m_view->zoom(), 150);
#ifdef TEXTBOOK_WEBENGINE
    if (auto *engine = m_view->findChild<QWebEngineView *>()) {
        QCOMPARE(engine->zoomFactor(), 1.5);
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(QStringLiteral("getComputedStyle(document.body).backgroundColor")),
                                  QVariant(QStringLiteral("rgb(30, 31, 34)")), 30000);
        QCOMPARE(evaluate(QStringLiteral("getComputedStyle(document.querySelector('p')).color")).toString(),
                 QStringLiteral("rgb(220, 220, 220)"));
        QCOMPARE(evaluate(QStringLiteral("getComputedStyle(document.querySelector('a')).color")).toString(),
                 QStringLiteral("rgb(138, 180, 248)"));
        m_view->setDarkPage(false);
        QTRY_COMPARE_WITH_TIMEOUT(evaluate(QStringLiteral("getComputedStyle(document.body).backgroundColor")),
                                  QVariant(QStringLiteral("rgb(255, 255, 255)")), 30000);
        return;
    }
#endif
    QCOMPARE(formatOf(*m_view, QStringLiteral("Оценкам")).fontPointSize(), 21.0);
    QCOMPARE(formatOf(*m_view, QStringLiteral("Оценкам")).foreground().color(), colour::page::darkText);
    QCOMPARE(formatOf(*m_view, QStringLiteral("оценок")).foreground().color(), colour::page::darkLink);
    m_view->setZoom(100);
    m_view->setDarkPage(false);
    QCOMPARE(formatOf(*m_view, QStringLiteral("Оценкам")).fontPointSize(), 14.0);
    QVERIFY(formatOf(*m_view, QStringLiteral("Оценкам")).foreground().color() != colour::page::darkText);
}

int main(int argc, char *argv[])
{
    prepareProcessEnvironment();
    QApplication app(argc, argv);
    TestPageView test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pageview.moc"
