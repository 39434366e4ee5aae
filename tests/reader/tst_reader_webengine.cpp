#include "app/Startup.h"
#include "platform/Widgets.h"
#include "reader/Unit2.h"
#include "shell/Windows.h"
#include "signin/Unit1.h"
#include "tests/reader/HostilePages.h"
#include "tests/reader/Passage.h"
#include "tests/support/WindowFixture.h"

#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#ifdef TEXTBOOK_WEBENGINE
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>
#endif

#ifdef TEXTBOOK_WEBENGINE
// The reader's engine view once its warm-up page has loaded; null if it never did.
QWebEngineView *warmedUpView()
{
    Form2->WebBrowser1->prepare();
    auto *view = Form2->WebBrowser1->findChild<QWebEngineView *>();
    QSignalSpy engineLoads(view, &QWebEngineView::loadFinished);
    return engineLoads.wait(30000) ? view : nullptr;
}
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

    // A page opened ahead in the hidden reader is taken by the first navigation to it and
    // reported once, as that navigation's, loaded or still loading; any other page opens as ever.
    void preloadedPage_data()
    {
        QTest::addColumn<QString>("opened");
        QTest::addColumn<bool>("waited");
        QTest::newRow("same page, loaded") << QStringLiteral("Glava3.htm") << true;
        QTest::newRow("same page, loading") << QStringLiteral("Glava3.htm") << false;
        QTest::newRow("another page") << QStringLiteral("Glava2.htm") << true;
    }
    void preloadedPage()
    {
#ifdef TEXTBOOK_WEBENGINE
        QFETCH(QString, opened);
        QFETCH(bool, waited);
        const QString glaves = m_fixture->folder.path() + QStringLiteral("Glaves\\");
        platform::WebView *browser = Form2->WebBrowser1;
        QWebEngineView *view = warmedUpView();
        QVERIFY(view);
        QSignalSpy engineLoads(view, &QWebEngineView::loadFinished);
        QSignalSpy loads(browser, &platform::WebView::loadFinished);
        browser->preload(glaves + QStringLiteral("Glava3.htm"));
        if (waited)
            QVERIFY(engineLoads.wait(30000));
        QCOMPARE(loads.count(), 0);
        const qsizetype before = engineLoads.count();

        browser->Navigate(glaves + opened);
        QVERIFY(loads.wait(30000));
        QTest::qWait(300);
        QCOMPARE(loads.count(), 1);
        QCOMPARE(loads.at(0).at(0).toBool(), true);
        QVERIFY(view->url().path().endsWith(QStringLiteral("Glaves/") + opened));
        if (opened == QStringLiteral("Glava3.htm") && waited)
            QCOMPARE(engineLoads.count(), before); // not loaded again
#endif
    }

    // At sign-in, the page remembered for the name typed is opened while the password is typed,
    // and OK shows it without loading it again.
    void signInTakesThePageTypedFor()
    {
#ifdef TEXTBOOK_WEBENGINE
        WindowFixture &f = *m_fixture;
        f.addStudent(QStringLiteral("Petrov"), QStringLiteral("1"));
        f.folder.exec(QStringLiteral("UPDATE Users SET \"путь\" = 'Glaves\\Glava3.htm'"));
        shell::bringToFront(Form1);
        QWebEngineView *view = warmedUpView();
        QVERIFY(view);
        QSignalSpy engineLoads(view, &QWebEngineView::loadFinished);
        Form1->SpeedButton2Click();
        QTest::keyClicks(Form1->Edit1, QStringLiteral("Petrov"));
        QVERIFY(engineLoads.wait(30000));
        QVERIFY(view->url().path().endsWith(QStringLiteral("Glaves/Glava3.htm")));
        QVERIFY(!Form2->isVisible());

        QSignalSpy loads(Form2->WebBrowser1, &platform::WebView::loadFinished);
        const qsizetype before = engineLoads.count();
        Form1->Edit2->setText(QStringLiteral("1"));
        Form1->BitBtn2Click();
        QVERIFY(Form2->isVisible());
        QVERIFY(loads.wait(30000));
        QCOMPARE(loads.at(0).at(0).toBool(), true);
        QCOMPARE(engineLoads.count(), before);
#endif
    }

    // The page's menu offers what works here: no page source, no saving to a disk, and no going
    // back from the first page to the engine's warm-up.
    void pageMenu()
    {
#ifdef TEXTBOOK_WEBENGINE
        WindowFixture &f = *m_fixture;
        Form2->show();
        QWebEngineView *view = warmedUpView();
        QVERIFY(view);
        QSignalSpy loads(Form2->WebBrowser1, &platform::WebView::loadFinished);
        Form2->WebBrowser1->Navigate(f.folder.path() + QStringLiteral("Glaves\\Glava3.htm"));
        QVERIFY(loads.wait(30000));
        QVERIFY(!view->history()->canGoBack());
        QTest::mouseClick(view->focusProxy(), Qt::RightButton, {}, QPoint(200, 120));
        QMenu *menu = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())), 10000);
        const QList<QAction *> offered = menu->actions();
        menu->close();
        QVERIFY(offered.contains(view->pageAction(QWebEnginePage::Reload)));
        for (const QWebEnginePage::WebAction nowhere : {QWebEnginePage::ViewSource, QWebEnginePage::SavePage})
            QVERIFY(!offered.contains(view->pageAction(nowhere)));
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
