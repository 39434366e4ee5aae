// The reader's reading aids: the search across the course, find in page, the page's size and the
// dark page kept for each student.

#include "data/TableCursor.h"
#include "platform/Colours.h"
#include "platform/Widgets.h"
#include "reader/FindBar.h"
#include "reader/ReadingTools.h"
#include "reader/SearchPane.h"
#include "reader/SearchResults.h"
#include "reader/Unit2.h"
#include "search/CourseSearch.h"
#include "tests/support/WindowFixture.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

using reader::ReadingTools;

namespace {

ReadingTools *tools()
{
    return Form2->findChild<ReadingTools *>();
}

// Signs the student in and waits for the index of the course's pages.
int signIn(WindowFixture &f, const QString &name)
{
    const int id = f.addStudent(name);
    f.signInDirectly(name);
    tools()->courseSearch()->startOnce();
    tools()->courseSearch()->waitForReady();
    return id;
}

// The search typed into the pane, as the student does it.
void typeSearch(const QString &typed)
{
    Form2->SearchCourse->trigger();
    tools()->searchPane()->SearchEdit->setText(typed);
}

int rowOf(const QString &page)
{
    const reader::SearchResultsModel *results = tools()->searchPane()->results();
    for (int row = 0; row < results->rowCount(); ++row)
        if (results->index(row).data(reader::SearchResultsModel::PageRole) == page)
            return row;
    return -1;
}

} // namespace

class TestReading : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Each run's index in a cache folder of its own.
        QVERIFY(m_cache.isValid());
        qputenv("XDG_CACHE_HOME", QFile::encodeName(m_cache.path()));
    }

    // A page found opens as its entry of the panel does, with the words found marked; a page that
    // has no entry opens as a link would, the chapter chosen and the page kept untouched.
    void foundPageOpens_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("white");
        QTest::addColumn<bool>("testEnabled");
        QTest::addColumn<QString>("stored");
        QTest::newRow("chapter") << QStringLiteral("оценок") << QStringLiteral("Glava5.htm")
                                 << QStringList{QStringLiteral("Label6")} << true
                                 << QStringLiteral("Glaves\\Glava5.htm");
        QTest::newRow("glossary") << QStringLiteral("\"обратная связь\"")
                                  << QStringLiteral("Словарь основных терминов и понятий.htm")
                                  << QStringList{QStringLiteral("Label9"), QStringLiteral("Label11")} << false
                                  << QStringLiteral("Glaves\\Словарь основных терминов и понятий.htm");
        QTest::newRow("user manual, no entry")
            << QStringLiteral("оценок") << QStringLiteral("Руководство.htm") << QStringList{QStringLiteral("Label4")}
            << true << QStringLiteral("Glaves\\Glava3.htm");
    }
    void foundPageOpens()
    {
        QFETCH(QString, typed);
        QFETCH(QString, page);
        QFETCH(QStringList, white);
        QFETCH(bool, testEnabled);
        QFETCH(QString, stored);
        WindowFixture f;
        const int id = signIn(f, QStringLiteral("Иванов"));
        Form2->Label4Click(); // chapter 3 chosen before
        typeSearch(typed);
        QAbstractItemModelTester tester(tools()->searchPane()->results());
        const int row = rowOf(page);
        QVERIFY2(row >= 0, qPrintable(page));
        tools()->searchPane()->choose(row);

        QVERIFY(!tools()->searchPane()->isVisible());
        QVERIFY(Form2->WebBrowser1->location().endsWith(QString(page).replace(u'/', u'\\')));
        QVERIFY(!Form2->WebBrowser1->markedWords().isEmpty());
        QVERIFY(!Form2->WebBrowser1->findChild<QTextBrowser *>()->extraSelections().isEmpty());
        for (const QString &name : white)
            QCOMPARE(Form2->findChild<platform::ClickableLabel *>(name)->fontColor(), colour::white);
        QCOMPARE(Form2->BitBtn2->isEnabled(), testEnabled);
        QVERIFY(f.folder.scalar(QStringLiteral("SELECT \"путь\" FROM Users WHERE ID = %1").arg(id))
                    .toString()
                    .endsWith(stored));
    }

    // The status line says what came of the words: pages found, none, or nothing to look for.
    void searchStatus_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("status");
        QTest::newRow("found") << QStringLiteral("цикл ведения") << QStringLiteral("Найдено: ");
        QTest::newRow("no page has them all")
            << QStringLiteral("оценка квантовая") << QStringLiteral("Ничего не найдено");
        QTest::newRow("nothing typed") << QStringLiteral("  ") << QStringLiteral("Введите слова");
    }
    void searchStatus()
    {
        QFETCH(QString, typed);
        QFETCH(QString, status);
        WindowFixture f;
        signIn(f, QStringLiteral("Иванов"));
        typeSearch(typed);
        QVERIFY2(tools()->searchPane()->SearchStatus->text().startsWith(status),
                 qPrintable(tools()->searchPane()->SearchStatus->text()));
        QCOMPARE(tools()->searchPane()->results()->rowCount() > 0, status.startsWith(QStringLiteral("Найдено")));
    }

    // Words typed before the index is ready are looked for once it is.
    void searchBeforeTheIndexIsReady()
    {
        WindowFixture f;
        f.addStudent(QStringLiteral("Иванов"));
        f.signInDirectly(QStringLiteral("Иванов"));
        typeSearch(QStringLiteral("оценок"));
        tools()->courseSearch()->waitForReady();
        QVERIFY(tools()->searchPane()->results()->rowCount() > 0);
    }

    void pagesFound_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("text");
        QTest::newRow("1") << 1 << QStringLiteral("Найдено: 1 страница");
        QTest::newRow("3") << 3 << QStringLiteral("Найдено: 3 страницы");
        QTest::newRow("5") << 5 << QStringLiteral("Найдено: 5 страниц");
        QTest::newRow("11") << 11 << QStringLiteral("Найдено: 11 страниц");
        QTest::newRow("12") << 12 << QStringLiteral("Найдено: 12 страниц");
        QTest::newRow("21") << 21 << QStringLiteral("Найдено: 21 страница");
        QTest::newRow("104") << 104 << QStringLiteral("Найдено: 104 страницы");
    }
    void pagesFound()
    {
        QFETCH(int, count);
        QFETCH(QString, text);
        QCOMPARE(reader::pagesFoundText(count), text);
    }

    // Find in page: the count and the active match; next and previous; Escape hides the bar and
    // gives the page its room back.
    void findInPage()
    {
        WindowFixture f;
        signIn(f, QStringLiteral("Иванов"));
        Form2->Label4Click();
        const QRect page = Form2->WebBrowser1->geometry();
        reader::FindBar *bar = tools()->findBar();
        Form2->FindInPage->trigger();
        QVERIFY(bar->isVisible());
        QVERIFY(Form2->WebBrowser1->geometry().bottom() < bar->geometry().top());
        bar->FindEdit->setText(QStringLiteral("ведени"));
        const QString total = bar->FindCount->text().section(u' ', 2);
        QCOMPARE(bar->FindCount->text(), QStringLiteral("1 из ") + total);
        QVERIFY(total.toInt() > 2);
        Form2->FindNext->trigger();
        QCOMPARE(bar->FindCount->text(), QStringLiteral("2 из ") + total);
        Form2->FindPrevious->trigger();
        Form2->FindPrevious->trigger();
        QCOMPARE(bar->FindCount->text(), total + QStringLiteral(" из ") + total);
        bar->FindEdit->setText(QStringLiteral("квантовая"));
        QCOMPARE(bar->FindCount->text(), QStringLiteral("Не найдено"));
        QTest::keyClick(bar->FindEdit, Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
        QCOMPARE(Form2->WebBrowser1->geometry(), page);
    }

    // The page's size steps up and down through fixed sizes and stops at the ends.
    void zoomSteps_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("to");
        QTest::newRow("up") << 100 << 1 << 110;
        QTest::newRow("down") << 100 << -1 << 90;
        QTest::newRow("top") << 300 << 1 << 300;
        QTest::newRow("bottom") << 50 << -1 << 50;
        QTest::newRow("between steps, up") << 120 << 1 << 125;
        QTest::newRow("between steps, down") << 120 << -1 << 110;
    }
    void zoomSteps()
    {
        QFETCH(int, from);
        QFETCH(int, steps);
        QFETCH(int, to);
        QCOMPARE(reader::nextZoom(from, steps), to);
    }

    // Each student's page size and dark page come back at the next start; another student keeps
    // their own.
    void preferencesPerStudent()
    {
        WindowFixture f;
        f.addStudent(QStringLiteral("Петрова"));
        signIn(f, QStringLiteral("Иванов"));
        Form2->ZoomIn->trigger();
        Form2->ZoomIn->trigger();
        Form2->DarkPage->trigger();
        QCOMPARE(Form2->WebBrowser1->zoom(), 125);
        QVERIFY(Form2->WebBrowser1->darkPage());

        // The program started again.
        f.windows.reset();
        f.windows = WindowSet::everyWindow();
        f.signInDirectly(QStringLiteral("Иванов"));
        QCOMPARE(Form2->WebBrowser1->zoom(), 125);
        QVERIFY(Form2->WebBrowser1->darkPage());
        QVERIFY(Form2->DarkPage->isChecked());

        f.windows.reset();
        f.windows = WindowSet::everyWindow();
        f.signInDirectly(QStringLiteral("Петрова"));
        QCOMPARE(Form2->WebBrowser1->zoom(), 100);
        QVERIFY(!Form2->WebBrowser1->darkPage());
        QVERIFY(!Form2->DarkPage->isChecked());
    }

private:
    QTemporaryDir m_cache;
};

QTEST_MAIN(TestReading)
#include "tst_reading.moc"
