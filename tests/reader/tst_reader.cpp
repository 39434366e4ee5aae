#include "app/Unit4.h"
#include "data/DbError.h"
#include "data/TableCursor.h"
#include "platform/Clock.h"
#include "platform/Colours.h"
#include "platform/Widgets.h"
#include "reader/Unit2.h"
#include "side/Unit10.h"
#include "side/Unit11.h"
#include "side/Unit7.h"
#include "signin/Unit1.h"
#include "stats/Unit3.h"
#include "testing/Unit6.h"
#include "tests/reader/HostilePages.h"
#include "tests/reader/Passage.h"
#include "tests/support/FormFacts.h"
#include "tests/support/WindowFixture.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

using platform::ClickableLabel;

namespace {

const QStringList chapterLabels = {QStringLiteral("Label1"), QStringLiteral("Label2"), QStringLiteral("Label4"),
                                   QStringLiteral("Label5"), QStringLiteral("Label6"), QStringLiteral("Label7")};
const QStringList pageLabels = {QStringLiteral("Label8"), QStringLiteral("Label3"), QStringLiteral("Label10"),
                                QStringLiteral("Label9"), QStringLiteral("Label11")};

ClickableLabel *label(const QString &name)
{
    auto *l = Form2->findChild<ClickableLabel *>(name);
    if (!l)
        qFatal("no label %s", qPrintable(name));
    return l;
}

// Clicks a label or triggers a menu item of the reader by its name.
void activate(const QString &entry)
{
    if (auto *action = Form2->findChild<QAction *>(entry)) {
        action->trigger();
        return;
    }
    QTest::mouseClick(label(entry), Qt::LeftButton);
}

int openTestCursor()
{
    int open = 0;
    for (int n = 1; n <= 6; ++n) {
        if (Data->testTab(n)->isOpen()) {
            if (open)
                return -1; // more than one
            open = n;
        }
    }
    return open;
}

QString storedPath(const WindowFixture &f, int id)
{
    return f.folder.scalar(QStringLiteral("SELECT \"путь\" FROM Users WHERE ID = %1").arg(id)).toString();
}

class FixedClock : public platform::Clock
{
public:
    explicit FixedClock(const QDateTime &at) : m_at(at) { platform::setClock(this); }
    ~FixedClock() override { platform::setClock(nullptr); }
    FixedClock(const FixedClock &) = delete;
    FixedClock &operator=(const FixedClock &) = delete;
    QDateTime now() const override { return m_at; }

private:
    QDateTime m_at;
};

// Counts the close events a window receives.
class CloseCounter : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Close)
            ++count;
        return false;
    }
};

} // namespace

class TestReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The form's key facts.
    void form_data()
    {
        using formfacts::row;
        formfacts::addColumns();
        row("Panel1", "ClientArea", "", {0, 0, 177, 521});
        row("Image1", "Panel1", "", {0, 0, 176, 422});
        row("Bevel1", "Panel1", "", {8, 24, 161, 345});
        row("Label8", "Panel1", "Введение", {48, 32, 78, 18});
        row("Label3", "Panel1", "Оглавление", {40, 56, 95, 18});
        row("Label1", "Panel1", "Глава1", {48, 88, 83, 27});
        row("Label2", "Panel1", "Глава2", {48, 120, 83, 27});
        row("Label4", "Panel1", "Глава3", {48, 152, 83, 27});
        row("Label5", "Panel1", "Глава4", {48, 184, 84, 27});
        row("Label6", "Panel1", "Глава5", {48, 216, 83, 27});
        row("Label7", "Panel1", "Глава6", {48, 248, 83, 27});
        row("Label10", "Panel1", "Литература", {40, 290, 92, 18});
        row("Label9", "Panel1", "Словарь основных", {16, 312, 154, 18});
        row("Label11", "Panel1", "терминов", {40, 336, 78, 18});
        row("GroupBox1", "Panel1", "", {0, 424, 177, 97});
        row("Image2", "GroupBox1", "", {0, 0, 177, 97});
        row("BitBtn3", "GroupBox1", "&Презентации", {32, 5, 113, 28}, 0);
        // A picture of its own (the style's play glyph).
        row("BitBtn2", "GroupBox1", "&Начать тест", {32, 37, 113, 28}, 1, "Custom");
        row("BitBtn1", "GroupBox1", "&Выход  ", {32, 72, 113, 27}, 2, "Close");
        row("WebBrowser1", "ClientArea", "", {177, 0, 692, 521});
    }
    void form()
    {
        WindowFixture f;
        formfacts::check(Form2);
    }

    // The client area is 869 x 540 below the menu bar whatever the bar's height, the status bar
    // holds its three panels, the pictures are found, and the window comes up centred.
    void window()
    {
        WindowFixture f;
        Form2->show();
        const int bar = Form2->menuBar()->height();
        QCOMPARE(Form2->size(), QSize(869, 540 + bar));
        QCOMPARE(Form2->minimumSize(), Form2->maximumSize());
        QCOMPARE(Form2->centralWidget()->geometry(), QRect(0, bar, 869, 521));
        QCOMPARE(Form2->StatusBar1->geometry(), QRect(0, bar + 521, 869, 19));
        const int widths[] = {70, 80, 50};
        for (int i = 0; i < 3; ++i) {
            QVERIFY(Form2->statusPanel(i)->isVisible());
            QCOMPARE(Form2->statusPanel(i)->parentWidget(), Form2->StatusBar1);
            QCOMPARE(Form2->statusPanel(i)->width(), widths[i]);
            // Side by side, as the bar lays them out.
            if (i > 0)
                QVERIFY(Form2->statusPanel(i)->x() > Form2->statusPanel(i - 1)->geometry().right());
        }
        QVERIFY(!Form2->Image1->pixmap().isNull());
        QVERIFY(!Form2->Image2->pixmap().isNull());
        QVERIFY(!Form2->BitBtn2->isEnabled());
        QCOMPARE(Form2->frameGeometry().center(), Form2->screen()->availableGeometry().center());
    }

    // Each navigation caption shows whole on one line in its label, on the faces installed.
    void captionsFit()
    {
        WindowFixture f;
        Form2->show();
        const auto labels = Form2->Panel1->findChildren<ClickableLabel *>();
        QCOMPARE(labels.size(), 11);
        for (ClickableLabel *l : labels) {
            const QFontMetrics metrics = l->fontMetrics();
            QVERIFY2(metrics.horizontalAdvance(l->text()) <= l->width(), qPrintable(l->objectName()));
            QVERIFY2(metrics.height() <= l->height(), qPrintable(l->objectName()));
        }
    }

    void menu()
    {
        WindowFixture f;
        QList<QAction *> top = Form2->menuBar()->actions();
        // The menus of search and view stand before "Справка" (tst_reading); the rest are these.
        QCOMPARE(top.mid(2, 2), (QList<QAction *>{Form2->SearchMenu->menuAction(), Form2->ViewMenu->menuAction()}));
        for (const QAction *menu : top.mid(2, 2))
            QVERIFY(!menu->icon().isNull());
        top.remove(2, 2);
        QCOMPARE(top, (QList<QAction *>{Form2->N1, Form2->N2, Form2->N7, Form2->N4, Form2->N6}));
        const QStringList captions = {QStringLiteral("&Теория"), QStringLiteral("&Статистика"),
                                      QStringLiteral("&Разбор ответов"), QStringLiteral("&Справка"),
                                      QStringLiteral("Выход")};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(top[i]->text(), captions[i]);
            QVERIFY(!top[i]->icon().isNull());
        }
        QVERIFY(!Form2->N2->menu());
        QVERIFY(!Form2->N6->menu());
        QCOMPARE(Form2->N1->menu()->actions(),
                 (QList<QAction *>{Form2->N11, Form2->N21, Form2->N31, Form2->N41, Form2->N51, Form2->N61}));
        QCOMPARE(Form2->N31->text(), QStringLiteral("Глава3"));
        QCOMPARE(Form2->N7->menu()->actions(),
                 (QList<QAction *>{Form2->N71, Form2->N72, Form2->N73, Form2->N74, Form2->N75, Form2->N76}));
        QCOMPARE(Form2->N4->menu()->actions(), (QList<QAction *>{Form2->N5, Form2->N3}));
        QCOMPARE(Form2->N5->text(), QStringLiteral("Автор"));
        QCOMPARE(Form2->N3->text(), QStringLiteral("Руководство пользователя"));
        // Icon and caption side by side need more room than the caption alone.
        const QRect theory = Form2->menuBar()->actionGeometry(Form2->N1);
        QVERIFY(theory.width() > Form2->menuBar()->fontMetrics().horizontalAdvance(QStringLiteral("Теория")) + 16);
    }

    // Every entry of the navigation, taken after chapter 2 was opened by its label.
    void navigation_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("chapter");  // 0: not a chapter page
        QTest::addColumn<QString>("rule"); // A, B or C
        QTest::addColumn<QStringList>("shown");

        const auto row = [](const char *entry, const char *page, int chapter, const char *rule, QStringList shown) {
            QTest::newRow(entry) << QString::fromLatin1(entry) << QString::fromUtf8(page) << chapter
                                 << QString::fromLatin1(rule) << shown;
        };
        row("Label8", "Glaves\\Введение.htm", 0, "A", {QStringLiteral("Label8")});
        row("Label3", "Glaves\\Содержание.htm", 0, "A", {QStringLiteral("Label3")});
        row("Label10", "Glaves\\Литература.htm", 0, "A", {QStringLiteral("Label10")});
        row("Label9", "Glaves\\Словарь основных терминов и понятий.htm", 0, "A",
            {QStringLiteral("Label9"), QStringLiteral("Label11")});
        row("Label11", "Glaves\\Словарь основных терминов и понятий.htm", 0, "A",
            {QStringLiteral("Label9"), QStringLiteral("Label11")});
        const char *chapterPages[] = {"Glaves\\Glava1.html", "Glaves\\Glava2.htm", "Glaves\\Glava3.htm",
                                      "Glaves\\Glava4.htm",  "Glaves\\Glava5.htm", "Glaves\\Glava6.htm"};
        const char *labelNames[] = {"Label1", "Label2", "Label4", "Label5", "Label6", "Label7"};
        const char *menuNames[] = {"N11", "N21", "N31", "N41", "N51", "N61"};
        for (int n = 1; n <= 6; ++n)
            row(labelNames[n - 1], chapterPages[n - 1], n, "B", {chapterLabels[n - 1]});
        for (int n = 1; n <= 6; ++n)
            row(menuNames[n - 1], chapterPages[n - 1], n, "C", {chapterLabels[n - 1]});
    }
    void navigation()
    {
        QFETCH(QString, entry);
        QFETCH(QString, page);
        QFETCH(int, chapter);
        QFETCH(QString, rule);
        QFETCH(QStringList, shown);

        WindowFixture f;
        const int id = f.addStudent(QStringLiteral("Петров Пётр Петрович"));
        f.signInDirectly(QStringLiteral("Петров Пётр Петрович"));
        activate(QStringLiteral("Label2"));
        QVERIFY(f.boxes.records.isEmpty());
        activate(entry);
        QVERIFY2(f.boxes.records.isEmpty(), qPrintable(f.boxes.texts().join(u'|')));

        for (const QString &name : pageLabels)
            QCOMPARE(label(name)->fontColor(), shown.contains(name) ? colour::white : colour::blue);
        for (const QString &name : chapterLabels) {
            QColor expected = colour::red;
            if (shown.contains(name))
                expected = colour::white;
            else if (rule == u"C" && name == u"Label2")
                expected = colour::white; // the menu leaves the other chapter labels as they were
            QCOMPARE(label(name)->fontColor(), expected);
            const bool enabled = rule != u"C" || shown.contains(name);
            QCOMPARE(label(name)->isEnabled(), enabled);
        }
        QCOMPARE(Form2->BitBtn2->isEnabled(), chapter != 0);
        QCOMPARE(openTestCursor(), chapter != 0 ? chapter : 2);

        QCOMPARE(Form2->WebBrowser1->location(), QDir::currentPath() + u'/' + page);
        QCOMPARE(storedPath(f, id), f.folder.path() + page);
        QCOMPARE(Form2->WebBrowser1->Path() + page, f.folder.path() + page);
    }

    void prepareResult_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::newRow("label") << "Label4";
        QTest::newRow("menu") << "N31";
    }
    void prepareResult()
    {
        QFETCH(QString, entry);
        WindowFixture f;
        const int other = f.addStudent(QStringLiteral("Сидоров"));
        const int id = f.addStudent(QStringLiteral("Иванов Иван"));
        const int chapter =
            f.folder.scalar(QStringLiteral("SELECT ID_Glava FROM Glaves WHERE Caption = 'Глава3'")).toInt();
        QVERIFY(chapter > 0);
        f.signInDirectly(QStringLiteral("Иванов Иван"));
        const QString count = QStringLiteral("SELECT count(*) FROM Result WHERE ID_User = %1").arg(id);

        activate(entry);
        QCOMPARE(f.folder.scalar(count).toInt(), 1);
        QCOMPARE(f.folder.scalar(QStringLiteral("SELECT ID_glava FROM Result WHERE ID_User = %1").arg(id)).toInt(),
                 chapter);
        QCOMPARE(f.folder.scalar(QStringLiteral("SELECT Ocenka FROM Result WHERE ID_User = %1").arg(id)).toInt(), 0);
        QCOMPARE(Data->ResultTab->fieldByName(QStringLiteral("ID_User")).asInteger(), id);

        // A grade stored meanwhile is kept; the second opening adds nothing.
        f.folder.exec(QStringLiteral("UPDATE Result SET Ocenka = 4 WHERE ID_User = %1").arg(id));
        activate(QStringLiteral("Label8"));
        activate(entry);
        QCOMPARE(f.folder.scalar(count).toInt(), 1);
        QCOMPARE(f.folder.scalar(QStringLiteral("SELECT Ocenka FROM Result WHERE ID_User = %1").arg(id)).toInt(), 4);
        QCOMPARE(f.folder.scalar(QStringLiteral("SELECT count(*) FROM Result WHERE ID_User = %1").arg(other)).toInt(),
                 0);
        QVERIFY(f.boxes.records.isEmpty());
    }

    void chapterWithoutGlavesRow()
    {
        WindowFixture f;
        const int id = f.addStudent(QStringLiteral("Иванов"));
        f.folder.exec(QStringLiteral("DELETE FROM Glaves WHERE Caption = 'Глава3'"));
        f.signInDirectly(QStringLiteral("Иванов"));
        activate(QStringLiteral("Label4"));
        QVERIFY(f.boxes.records.isEmpty());
        QCOMPARE(f.folder.scalar(QStringLiteral("SELECT count(*) FROM Result WHERE ID_User = %1").arg(id)).toInt(), 0);
        QCOMPARE(openTestCursor(), 3);
        QVERIFY(Form2->WebBrowser1->location().endsWith(QStringLiteral("Glaves\\Glava3.htm")));
        QCOMPARE(storedPath(f, id), f.folder.path() + QStringLiteral("Glaves\\Glava3.htm"));
    }

    void chapterByLabelThenByMenu()
    {
        WindowFixture f;
        f.addStudent(QStringLiteral("Иванов"));
        f.signInDirectly(QStringLiteral("Иванов"));
        activate(QStringLiteral("Label1"));
        activate(QStringLiteral("N31"));
        QCOMPARE(Form2->Label1->fontColor(), colour::white);
        QVERIFY(!Form2->Label1->isEnabled());
        QCOMPARE(Form2->Label4->fontColor(), colour::white);
        QVERIFY(Form2->Label4->isEnabled());
        for (ClickableLabel *l : {Form2->Label2, Form2->Label5, Form2->Label6, Form2->Label7}) {
            QCOMPARE(l->fontColor(), colour::red);
            QVERIFY(!l->isEnabled());
        }
        QCOMPARE(openTestCursor(), 3);
        // A disabled label takes no clicks.
        QTest::mouseClick(Form2->Label1, Qt::LeftButton);
        QCOMPARE(openTestCursor(), 3);
    }

    // The student stays the one signed in after a test has closed the user cursor.
    void studentRowAfterTest()
    {
        WindowFixture f;
        const int first = f.addStudent(QStringLiteral("Алексеев"));
        const int id = f.addStudent(QStringLiteral("Яковлев"));
        f.signInDirectly(QStringLiteral("Яковлев"));
        activate(QStringLiteral("Label2"));
        Data->UserTab->close();
        Data->ResultTab->close();
        Data->GlavesTab->close();
        activate(QStringLiteral("Label5"));
        QCOMPARE(storedPath(f, id), f.folder.path() + QStringLiteral("Glaves\\Glava4.htm"));
        QCOMPARE(storedPath(f, first), QString());
        QCOMPARE(f.folder.scalar(QStringLiteral("SELECT count(*) FROM Result WHERE ID_User = %1").arg(first)).toInt(),
                 0);
        QCOMPARE(f.folder.scalar(QStringLiteral("SELECT count(*) FROM Result WHERE ID_User = %1").arg(id)).toInt(), 2);
    }

    // Another program deleted the signed-in student's row. The cursor may since stand on another
    // student (re-read at the end of a test) or on the first (closed and opened again): nothing is
    // stored for anyone, the page is still shown, and the student is told.
    void lostStudent_data()
    {
        QTest::addColumn<QString>("since");
        QTest::addColumn<QString>("entry");
        QTest::newRow("re-read, page") << "refresh"
                                       << "Label8";
        QTest::newRow("re-read, chapter") << "refresh"
                                          << "Label4";
        QTest::newRow("reopened, chapter") << "close"
                                           << "N31";
        QTest::newRow("nothing, chapter") << ""
                                          << "Label4";
    }
    void lostStudent()
    {
        QFETCH(QString, since);
        QFETCH(QString, entry);
        WindowFixture f;
        f.addStudent(QStringLiteral("Алексеев"));
        const int id = f.addStudent(QStringLiteral("Яковлев"));
        f.addStudent(QStringLiteral("Юрьев"));
        f.signInDirectly(QStringLiteral("Яковлев"));
        activate(QStringLiteral("Label2"));
        f.folder.exec(QStringLiteral("DELETE FROM Users WHERE ID = %1").arg(id));
        if (since == u"refresh")
            Data->UserTab->refresh();
        else if (since == u"close")
            Data->UserTab->close();

        activate(entry);
        QCOMPARE(f.boxes.texts(), QStringList{DbError::studentMissing().message()});
        QCOMPARE(f.folder.scalar(QStringLiteral("SELECT count(*) FROM Users WHERE \"путь\" <> ''")).toInt(), 0);
        QCOMPARE(f.folder.scalar(QStringLiteral("SELECT count(*) FROM Result WHERE ID_User <> %1").arg(id)).toInt(), 0);
        QCOMPARE(f.folder.scalar(QStringLiteral("SELECT count(*) FROM Result")).toInt(), 1);
        const QString page = entry == u"Label8" ? QStringLiteral("Glaves\\Введение.htm") : chapterPage(3);
        QCOMPARE(Form2->WebBrowser1->location(), platform::expandFileName(page));
    }

    // Folder and page together may not fit the 100 characters of the column.
    void longProgramFolder_data()
    {
        QTest::addColumn<int>("total");
        QTest::addColumn<bool>("whole");
        QTest::newRow("100 fits") << 100 << true;
        QTest::newRow("101 does not") << 101 << false;
        QTest::newRow("deep folder") << 180 << false;
    }
    void longProgramFolder()
    {
        QFETCH(int, total);
        QFETCH(bool, whole);
        WindowFixture f;
        const int id = f.addStudent(QStringLiteral("Иванов"));
        f.signInDirectly(QStringLiteral("Иванов"));
        const QString page = QStringLiteral("Glaves\\Glava2.htm");
        const QString folder = u'/' + QString(total - int(page.size()) - 2, u'п') + u'/';
        platform::setProgramFolder(folder);
        activate(QStringLiteral("Label2"));
        QVERIFY(f.boxes.records.isEmpty());
        const QString stored = storedPath(f, id);
        QCOMPARE(stored, whole ? folder + page : page);
        // What the next sign-in opens names the page file.
        platform::setProgramFolder(f.folder.path());
        QVERIFY(QFileInfo::exists(platform::localPath(platform::expandFileName(stored))) || whole);
    }

    void hostilePages_data() { hostile::addRows(); }
    void hostilePages()
    {
        auto browser = [] { return Form2->WebBrowser1->findChild<QTextBrowser *>(); };
        hostile::run(
            platform::WebView::Backend::TextBrowser, [&] { return browser() ? browser()->documentTitle() : QString(); },
            [&](QPoint at) { QTest::mouseClick(browser()->viewport(), Qt::LeftButton, {}, at); },
            [] { return Form2->WebBrowser1->grab().toImage(); });
    }

    void passage_data() { passage::addRows(); }
    void passage()
    {
        WindowFixture f;
        passage::run(f, [] {
            auto *browser = Form2->WebBrowser1->findChild<QTextBrowser *>();
            return browser && browser->verticalScrollBar()->value() > 0;
        });
    }

    void statusBar()
    {
        WindowFixture f;
        const QDateTime at(QDate(2024, 2, 29), QTime(17, 5, 9));
        FixedClock clock(at);
        QVERIFY(Form2->statusPanel(0)->text().isEmpty());
        Form2->Timer1Timer();
        const QLocale locale = statusLocale(QLocale::system());
        QCOMPARE(Form2->statusPanel(0)->text(), longTimeText(locale, at.time()));
        QCOMPARE(Form2->statusPanel(1)->text(), locale.toString(at.date(), QLocale::ShortFormat));
        QCOMPARE(Form2->statusPanel(2)->text(), QString());
        QVERIFY(Form2->statusPanel(1)->text().contains(QStringLiteral("29")));
        // The clock ticks whether or not the reader is shown.
        QVERIFY(!Form2->isVisible());
        QVERIFY(Form2->Timer1->isActive());
    }

    // Seconds shown, zone left out, and the text fits its panel; the date in the user's own
    // format, and in Russian where the system sets no language.
    void longTime_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("date");
        QTest::newRow("ru") << "ru_RU"
                            << "29.02.2024";
        QTest::newRow("en") << "en_US"
                            << "2/29/24";
        QTest::newRow("de") << "de_DE"
                            << "29.02.24";
        QTest::newRow("C") << "C"
                           << "29.02.2024";
    }
    void longTime()
    {
        QFETCH(QString, locale);
        QFETCH(QString, date);
        WindowFixture f;
        const QLocale l = statusLocale(QLocale(locale));
        QCOMPARE(l.toString(QDate(2024, 2, 29), QLocale::ShortFormat), date);
        QVERIFY(l.timeFormat(QLocale::LongFormat).contains(u't')); // what is being left out
        const QString text = longTimeText(l, QTime(17, 5, 9));
        QVERIFY2(text.contains(QStringLiteral("05:09")), qPrintable(text));
        QCOMPARE(text, text.trimmed());
        QVERIFY2(!text.contains(QStringLiteral("UTC")) && !text.contains(QStringLiteral("GMT")), qPrintable(text));
        QVERIFY(Form2->statusPanel(0)->fontMetrics().horizontalAdvance(text) <=
                70 - 2 * Form2->statusPanel(0)->frameWidth());
    }

    void launchMessageText_data()
    {
        QTest::addColumn<int>("chapter");
        QTest::addColumn<QString>("text");
        QTest::newRow("chapter 1") << 1
                                   << QStringLiteral("Данный тест состоит из 12 вопросов\rНа его выполнение отводится "
                                                     "20мин  :00 сек");
        QTest::newRow("chapter 3") << 3
                                   << QStringLiteral("Данный тест состоит из 12 вопросов\rНа его выполнение отводится "
                                                     "20 мин :00 сек");
        QTest::newRow("chapter 6") << 6
                                   << QStringLiteral("Данный тест состоит из 12 вопросов\rНа его выполнение отводится "
                                                     "20 мин :00 сек");
    }
    void launchMessageText()
    {
        QFETCH(int, chapter);
        QFETCH(QString, text);
        const QString message = launchMessage(chapter, 12, 20);
        QCOMPARE(message.size(), text.size());
        for (qsizetype i = 0; i < text.size(); ++i)
            QVERIFY2(message.at(i) == text.at(i), qPrintable(QStringLiteral("character %1").arg(i)));
    }

    void testLaunch()
    {
        WindowFixture f;
        f.addStudent(QStringLiteral("Иванов"));
        f.folder.exec(QStringLiteral("UPDATE System SET Value = '20' WHERE Name = 'Min'"));
        const int questions = f.folder.scalar(QStringLiteral("SELECT count(*) FROM Test3")).toInt();
        QVERIFY(questions > 0);
        f.signInDirectly(QStringLiteral("Иванов"));
        activate(QStringLiteral("Label4"));
        bool timerAtMessage = true;
        f.boxes.onShow = [&](const platform::BoxRecord &) { timerAtMessage = Form6->Timer1->isActive(); };
        QTest::mouseClick(Form2->BitBtn2, Qt::LeftButton);

        QCOMPARE(f.boxes.records.size(), 1);
        QCOMPARE(f.boxes.records[0].kind, platform::BoxKind::Plain);
        QCOMPARE(f.boxes.records[0].text, launchMessage(3, questions, 20));
        QVERIFY(!timerAtMessage);
        QVERIFY(Form6->Timer1->isActive());
        QVERIFY(Form6->isVisible());
        QCOMPARE(Form6->windowTitle(), QStringLiteral("Тест- Глава3"));
        QCOMPARE(Form6->QuestionCount, questions);
        Form6->Timer1->stop();
    }

    // A test that cannot run is refused before the test window appears.
    void testLaunchRefused()
    {
        WindowFixture f;
        f.addStudent(QStringLiteral("Иванов"));
        f.folder.exec(QStringLiteral("DELETE FROM Test3"));
        f.signInDirectly(QStringLiteral("Иванов"));
        activate(QStringLiteral("Label4"));
        QTest::mouseClick(Form2->BitBtn2, Qt::LeftButton);
        QCOMPARE(f.boxes.records.size(), 1);
        QCOMPARE(f.boxes.records[0].kind, platform::BoxKind::Information);
        QVERIFY(!f.boxes.records[0].text.isEmpty());
        QVERIFY(!Form6->isVisible());
        QVERIFY(!Form6->Timer1->isActive());
        QVERIFY(Form2->isVisible());
    }

    void ending_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("customerClosed");
        QTest::newRow("close box") << "close box" << false;
        QTest::newRow("BitBtn1") << "BitBtn1" << true;
        QTest::newRow("N6") << "N6" << false;
    }
    void ending()
    {
        QFETCH(QString, how);
        QFETCH(bool, customerClosed);
        WindowFixture f;
        f.addStudent(QStringLiteral("Иванов"));
        f.signInDirectly(QStringLiteral("Иванов"));
        activate(QStringLiteral("Label4"));
        Form7->show();
        CloseCounter signInCloses;
        Form1->installEventFilter(&signInCloses);

        if (how == u"close box")
            Form2->close();
        else if (how == u"BitBtn1")
            QTest::mouseClick(Form2->BitBtn1, Qt::LeftButton);
        else
            Form2->N6->trigger();

        QVERIFY(!Form2->isVisible());
        for (TableCursor *t : {Data->UserTab, Data->GlavesTab, Data->ResultTab, Data->SystemTab, Data->Test3Tab})
            QVERIFY(!t->isOpen());
        QCOMPARE(signInCloses.count, 1);
        QVERIFY(Form4->applicationTerminated());
        QCOMPARE(Form7->isVisible(), !customerClosed);
        QVERIFY(f.boxes.records.isEmpty());
    }

    void sideWindows_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("window");
        QTest::newRow("statistics") << "N2"
                                    << "Form3";
        QTest::newRow("author") << "N5"
                                << "Form7";
        QTest::newRow("manual") << "N3"
                                << "Form11";
        QTest::newRow("presentations") << "BitBtn3"
                                       << "Form10";
    }
    void sideWindows()
    {
        QFETCH(QString, entry);
        QFETCH(QString, window);
        WindowFixture f;
        f.addStudent(QStringLiteral("Иванов"));
        f.signInDirectly(QStringLiteral("Иванов"));
        const QHash<QString, QWidget *> windows = {{QStringLiteral("Form3"), Form3},
                                                   {QStringLiteral("Form7"), Form7},
                                                   {QStringLiteral("Form11"), Form11},
                                                   {QStringLiteral("Form10"), Form10}};
        if (entry == u"BitBtn3")
            QTest::mouseClick(Form2->BitBtn3, Qt::LeftButton);
        else
            Form2->findChild<QAction *>(entry)->trigger();
        QVERIFY2(f.boxes.records.isEmpty(), qPrintable(f.boxes.texts().join(u'|')));
        QVERIFY(windows.value(window)->isVisible());
        QVERIFY(Form2->isVisible());
    }

    // The manual is found under the program's folder, not the current directory.
    void manualFromProgramFolder()
    {
        WindowFixture f;
        platform::setProgramFolder(QStringLiteral("/opt/Учебник"));
        Form2->N3->trigger();
        QCOMPARE(Form11->WebBrowser1->location(), QStringLiteral("/opt/Учебник/Glaves\\Руководство.htm"));
    }

    // The statistics reopen the user cursor a test has closed, on the signed-in student.
    void statisticsAfterTest()
    {
        WindowFixture f;
        f.addStudent(QStringLiteral("Алексеев"));
        const int id = f.addStudent(QStringLiteral("Яковлев"));
        f.signInDirectly(QStringLiteral("Яковлев"));
        activate(QStringLiteral("Label2"));
        Data->UserTab->close();
        Data->ResultTab->close();
        Form2->N2->trigger();
        QVERIFY(Data->UserTab->isOpen());
        QVERIFY(Data->ResultTab->isOpen());
        QVERIFY(Data->GlavesTab->isOpen());
        QCOMPARE(Data->UserTab->fieldByName(QStringLiteral("ID")).asInteger(), id);
    }
};

QTEST_MAIN(TestReader)
#include "tst_reader.moc"
