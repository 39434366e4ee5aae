#include "app/Startup.h"
#include "platform/Widgets.h"
#include "reader/Unit2.h"
#include "tests/reader/HostilePages.h"
#include "tests/reader/Passage.h"
#include "tests/support/WindowFixture.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#ifdef TEXTBOOK_WEBENGINE
#include <QWebEnginePage>
#include <QWebEngineView>
#endif

// The reader with the real page engine.
class TestReaderWebEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each case gets a fresh program folder and window set whose reader uses the engine.
    void init()
    {
#ifndef TEXTBOOK_WEBENGINE
        QSKIP("built without Qt WebEngine");
#else
        m_fixture = std::make_unique<WindowFixture>(false);
        platform::WebView::setDefaultBackend(platform::WebView::Backend::WebEngine);
        m_fixture->windows = WindowSet::everyWindow();
#endif
    }

    void cleanup()
    {
        m_fixture.reset();
    }

    void hostilePages_data()
    {
        hostile::addRows();
    }
    void hostilePages()
    {
#ifdef TEXTBOOK_WEBENGINE
        m_fixture.reset(); // the table makes its own
        auto view = [] { return Form2->WebBrowser1->findChild<QWebEngineView *>(); };
        hostile::run(
            platform::WebView::Backend::WebEngine, [&] { return view() ? view()->title() : QString(); },
            [&](QPoint at) { QTest::mouseClick(view()->focusProxy(), Qt::LeftButton, {}, at); },
            [&] { return view()->grab().toImage(); });
#endif
    }

    // The engine is started ahead on a page of its own; that load is its own business, and the
    // first real page is reported once.
    void warmUpLoadIsNotReported()
    {
#ifdef TEXTBOOK_WEBENGINE
        WindowFixture &f = *m_fixture;
        QSignalSpy loads(Form2->WebBrowser1, &platform::WebView::loadFinished);
        Form2->WebBrowser1->prepare();
        auto *view = Form2->WebBrowser1->findChild<QWebEngineView *>();
        QVERIFY(view);
        QSignalSpy engineLoads(view, &QWebEngineView::loadFinished);
        QVERIFY(engineLoads.wait(30000));
        QCOMPARE(loads.count(), 0);

        Form2->WebBrowser1->Navigate(f.folder.path() + QStringLiteral("Glaves\\Glava3.htm"));
        QVERIFY(loads.wait(30000));
        QCOMPARE(loads.count(), 1);
        QCOMPARE(loads.takeFirst().at(0).toBool(), true);
        QVERIFY(view->url().path().endsWith(QStringLiteral("Glaves/Glava3.htm")));
#endif
    }

    void passage_data()
    {
        passage::addRows();
    }
    void passage()
    {
#ifdef TEXTBOOK_WEBENGINE
        passage::run(*m_fixture, [] {
            auto *view = Form2->WebBrowser1->findChild<QWebEngineView *>();
            return view && view->page()->scrollPosition().y() > 0;
        });
#endif
    }

private:
    std::unique_ptr<WindowFixture> m_fixture;
};

int main(int argc, char *argv[])
{
    // As the program does: no GL driver is loaded for the page engine's software drawing.
    prepareProcessEnvironment();
    QApplication app(argc, argv);
    TestReaderWebEngine test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_reader_webengine.moc"
