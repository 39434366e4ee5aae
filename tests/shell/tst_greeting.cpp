#include "app/Messages.h"
#include "app/Startup.h"
#include "app/Unit4.h"
#include "data/DataSource.h"
#include "data/Unit8.h"
#include "platform/Widgets.h"
#include "reader/Unit2.h"
#include "side/Unit10.h"
#include "side/Unit11.h"
#include "side/Unit5.h"
#include "side/Unit7.h"
#include "side/Unit9.h"
#include "signin/Unit1.h"
#include "stats/Unit3.h"
#include "testing/Unit6.h"
#include "tests/support/FormFacts.h"
#include "tests/support/WindowFixture.h"

#include <QFile>
#include <QFontMetrics>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace {

// The windows of the set in their order of creation (the data module, not a widget, aside).
QList<QWidget *> windows()
{
    return {Form4, Form1, Form2, Form3, Form5, Form6, Form9, Form7, Form10, Form11};
}

// Notes every widget in the order it comes into being.
class CreationRecorder : public QObject
{
public:
    CreationRecorder() { qApp->installEventFilter(this); }
    ~CreationRecorder() override { qApp->removeEventFilter(this); }
    CreationRecorder(const CreationRecorder &) = delete;
    CreationRecorder &operator=(const CreationRecorder &) = delete;

    QList<QPointer<QObject>> created;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Create && !created.contains(watched))
            created << watched;
        return false;
    }
};

} // namespace

class TestGreeting : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windowSetOrder()
    {
        WindowFixture f(false);
        CreationRecorder recorder;
        f.windows = WindowSet::everyWindow();

        QList<QWidget *> order;
        for (const QPointer<QObject> &o : std::as_const(recorder.created)) {
            // Widgets made and dropped during construction are gone (null) by now.
            if (auto *w = qobject_cast<QWidget *>(o.data()); w && windows().contains(w))
                order << w;
        }
        // The greeting, what sign-in needs (the presentations window checks the database, so
        // after the data module), then the side windows in their own order.
        const QList<QWidget *> expected{Form4, Form1, Form2, Form10, Form3, Form5, Form6, Form9, Form7, Form11};
        QCOMPARE(order, expected);
        QVERIFY(Data);
    }

    void windowTitles()
    {
        WindowFixture f;
        const QStringList titles = {QStringLiteral("Приветствие"),
                                    QStringLiteral("Авторизация"),
                                    QStringLiteral("Элекронный учебник"),
                                    QStringLiteral("Статистика"),
                                    QStringLiteral("Автор"),
                                    QString(),
                                    QStringLiteral("Руководство пользователя"),
                                    QStringLiteral("Заказчик"),
                                    QStringLiteral("Презентации"),
                                    QStringLiteral("Руководство пользователя")};
        const QList<QWidget *> set = windows();
        for (int i = 0; i < set.size(); ++i) {
            QCOMPARE(set[i]->windowTitle(), titles[i]);
            QVERIFY2(!set[i]->isVisible(), qPrintable(titles[i]));
        }
        QCOMPARE(Data->windowTitle(), QStringLiteral("Data"));
        QVERIFY(!Data->UserTab->isOpen());
    }

    // The program itself: the greeting comes up first and alone; the sign-in window, the
    // reader and the data module follow behind it, the windows the reader opens only when
    // wanted; closing the sign-in window ends the run.
    void programShowsTheGreetingAlone()
    {
        WindowFixture f(false);
        QStringList shown;
        bool greetingFirst = false;
        bool sideWindowsWaited = false;
        QTimer::singleShot(0, [&] { greetingFirst = Form4 && Form4->isVisible(); });
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!Form10)
                return;
            poll.stop();
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (w->isVisible())
                    shown << w->objectName();
            }
            sideWindowsWaited = !Form3 && !Form6 && !Form7 && !Form11 && Form10;
            Form1->close();
        });
        poll.start(5);
        QCOMPARE(runTextbook(), 0);
        QVERIFY(greetingFirst);
        QCOMPARE(shown, QStringList{QStringLiteral("Form4")});
        QVERIFY(sideWindowsWaited);
        QVERIFY(!Form4); // the window set is gone with the run
    }

    // A start that fails is reported in a box of its own, with no window of the program on
    // screen, and ends the run with a failure status.
    void startFailureStandsAlone_data()
    {
        QTest::addColumn<QString>("damage");
        // Found before any window is made.
        QTest::newRow("no Data.mdb") << QString();
        // Found while the windows are made behind the greeting.
        QTest::newRow("no presentation list") << QStringLiteral("DROP TABLE present");
    }

    void startFailureStandsAlone()
    {
        QFETCH(QString, damage);
        WindowFixture f(false);
        if (damage.isEmpty())
            QVERIFY(QFile::remove(f.folder.path() + QStringLiteral("Data.mdb")));
        else
            f.folder.exec(damage);
        QStringList shownWithBox{QStringLiteral("no box")};
        f.boxes.onShow = [&](const platform::BoxRecord &) {
            shownWithBox.clear();
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (w->isVisible())
                    shownWithBox << w->objectName();
            }
        };
        QCOMPARE(runTextbook(), 1);
        QCOMPARE(f.boxes.records.size(), 1);
        QVERIFY2(f.boxes.records[0].text.startsWith(QStringLiteral("Программа не может начать работу.")),
                 qPrintable(f.boxes.records[0].text));
        QCOMPARE(shownWithBox, QStringList());
        QVERIFY(!Form4);
    }

    // A click on the greeting while the windows behind it are still being made: the rest are
    // made at once and the sign-in window comes up, connected.
    void earlyClickCompletesTheWindows()
    {
        WindowFixture f(false);
        bool caughtHalfway = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!Form4 || !Form1)
                return;
            poll.stop();
            caughtHalfway = !Data && !Form10;
            Form4->FormClick();
            QVERIFY(Form1->isVisible());
            QVERIFY(!Form4->isVisible());
            QVERIFY(Form2 && Data && Form10);
            QVERIFY(Data->UserTab->isOpen());
            Form1->close();
        });
        poll.start(0);
        QCOMPARE(runTextbook(), 0);
        QVERIFY2(caughtHalfway, "the windows were all made in one turn of the event loop");
        QVERIFY(f.boxes.records.isEmpty());
    }

    // The reader makes its side windows on first use, bound as the full set binds them.
    void sideWindowsComeOnFirstUse()
    {
        WindowFixture f(false);
        f.addStudent(QStringLiteral("Иванов"));
        f.windows = std::make_unique<WindowSet>();
        QVERIFY(Form4 && !Form1 && !Data);
        f.windows->complete();
        QVERIFY(Form1 && Form2 && Data && Form10);
        QVERIFY(!Form3 && !Form5 && !Form6 && !Form7 && !Form9 && !Form11);

        f.signInDirectly(QStringLiteral("Иванов"));
        Form2->Label4Click(); // chapter 3: its questions are opened before the test window exists
        Form2->N2Click();
        QVERIFY(Form3 && Form5 && Form6 && Form7 && Form9 && Form11);
        QVERIFY(Form3->isVisible());
        QCOMPARE(Form6->DataSource1->dataSet(), Data->Test1Tab);
        QCOMPARE(Form6->DataSource6->dataSet(), Data->Test6Tab);
        QPointer<TForm3> stats = Form3;
        Form2->N5Click(); // a second use makes nothing new
        QCOMPARE(Form3, stats.data());
        QVERIFY(Form7->isVisible());
        QVERIFY(f.boxes.records.isEmpty());

        // The test window made late still shows the chapter's first question.
        const QString question =
            f.folder.scalar(QStringLiteral("SELECT \"вопрос\" FROM Test3 ORDER BY rowid LIMIT 1")).toString();
        QVERIFY(!question.isEmpty());
        QCOMPARE(Form6->AnswerLabels[0]->text(), question);
    }

    // A failure part-way through the side windows leaves none of them, says so, and the next
    // use makes them all.
    void sideWindowsAllOrNone_data()
    {
        QTest::addColumn<int>("failAfter");
        QTest::newRow("before the first") << 0;
        QTest::newRow("after the test window") << 3;
        QTest::newRow("before the last") << 5;
    }

    void sideWindowsAllOrNone()
    {
        QFETCH(int, failAfter);
        WindowFixture f(false);
        f.addStudent(QStringLiteral("Иванов"));
        f.windows = std::make_unique<WindowSet>();
        f.windows->complete();
        f.signInDirectly(QStringLiteral("Иванов"));
        WindowSet::failSideWindowsAfter(failAfter);
        Form2->N2->trigger(); // "&Статистика", through its handler guard
        WindowSet::failSideWindowsAfter(-1);
        QVERIFY(!Form3 && !Form5 && !Form6 && !Form7 && !Form9 && !Form11);
        QVERIFY(!f.windows->hasSideWindows());
        QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("Не удалось создать окно.")});
        Form2->N2->trigger();
        QVERIFY(Form3 && Form5 && Form6 && Form7 && Form9 && Form11);
        QVERIFY(Form3->isVisible());
    }

    // A normal start keeps the terminal quiet; what may be wrong still shows.
    void quietStart_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("shown");
        QTest::newRow("engine report") << int(QtInfoMsg) << QStringLiteral("GL Type: disabled") << false;
        QTest::newRow("debug") << int(QtDebugMsg) << QStringLiteral("using glib dispatcher") << false;
        QTest::newRow("software drawing")
            << int(QtWarningMsg) << QStringLiteral("No suitable graphics backend found") << false;
        QTest::newRow("runtime folder") << int(QtWarningMsg)
                                        << QStringLiteral(
                                               "QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/r'")
                                        << false;
        QTest::newRow("other warning") << int(QtWarningMsg) << QStringLiteral("QSqlDatabase: QSQLITE driver not loaded")
                                       << true;
        QTest::newRow("known words, other warning")
            << int(QtWarningMsg) << QStringLiteral("Module: No suitable graphics backend found") << true;
        QTest::newRow("critical") << int(QtCriticalMsg) << QStringLiteral("No suitable graphics backend found") << true;
    }

    void quietStart()
    {
        QFETCH(int, type);
        QFETCH(QString, text);
        QFETCH(bool, shown);
        QCOMPARE(messages::shownWhenQuiet(QtMsgType(type), text), shown);
    }

    // The greeting's form as made, before the one-line labels are fitted to their text.
    void greetingForm_data()
    {
        using formfacts::row;
        formfacts::addColumns();
        row("Form4", "", "Приветствие", {0, 0, 442, 305});
        row("Label1", "Form4", "Ортанский государственный университет", {56, 8, 326, 36});
        row("Label4", "Form4", "Электронный учебник  ", {88, 72, 252, 22});
        row("Label2", "Form4", "Веланика", {128, 104, 163, 64});
        row("Label3", "Form4", "для магистрантов", {104, 192, 201, 22});
    }
    void greetingForm()
    {
        WindowFixture f;
        formfacts::check(Form4);
    }

    // The faces that stand in for the designed ones run wider: once the greeting is up, no
    // one-line label cuts its text.
    void greetingLabelsFitOnceShown()
    {
        WindowFixture f;
        Form4->show();
        QCoreApplication::processEvents();
        for (QLabel *label : {Form4->Label3, Form4->Label4}) {
            const QFontMetrics metrics(label->font());
            QVERIFY(label->width() >= metrics.horizontalAdvance(label->text()));
            QVERIFY(label->height() >= metrics.height());
        }
    }

    void fadeHandsOverAtFullOpacity()
    {
        WindowFixture f;
        QCOMPARE(Form4->FadeLevel, quint8(5));
        QCOMPARE(Form4->appliedAlpha(), 0);
        QVERIFY(Form4->Timer1->isActive());
        QCOMPARE(Form4->Timer1->interval(), 50);
        Form4->show();

        Form4->Timer1Timer();
        QCOMPARE(Form4->appliedAlpha(), 10); // 5 is never applied
        for (int tick = 2; tick <= 49; ++tick)
            Form4->Timer1Timer();
        QCOMPARE(Form4->appliedAlpha(), 250);
        QVERIFY(Form4->isVisible());
        QVERIFY(!Form1->isVisible());
        QVERIFY(Form4->Timer1->isActive());

        Form4->Timer1Timer();
        QCOMPARE(Form4->appliedAlpha(), 255);
        QVERIFY(Form1->isVisible());
        QVERIFY(!Form4->isVisible());
        QVERIFY(!Form4->Timer1->isActive());
        QVERIFY(!Form4->applicationTerminated());
        // The sign-in window connected on its show.
        QVERIFY(Data->UserTab->isOpen());
    }

    void clickHandsOverAtOnce_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("window") << QString();
        QTest::newRow("Label1") << QStringLiteral("Label1");
        QTest::newRow("Label2") << QStringLiteral("Label2");
        QTest::newRow("Label3") << QStringLiteral("Label3");
        QTest::newRow("Label4") << QStringLiteral("Label4");
    }

    void clickHandsOverAtOnce()
    {
        QFETCH(QString, target);
        WindowFixture f;
        Form4->show();
        for (int tick = 0; tick < 10; ++tick)
            Form4->Timer1Timer();

        QWidget *w = target.isEmpty() ? Form4 : Form4->findChild<QWidget *>(target);
        QVERIFY(w);
        // A corner of the window that no label covers.
        QTest::mouseClick(w, Qt::LeftButton, {}, target.isEmpty() ? QPoint(3, 300) : QPoint(3, 3));

        QVERIFY(Form1->isVisible());
        QVERIFY(!Form4->isVisible());
        // The fade stops with the click: the sign-in window is not brought up a second time.
        QVERIFY(!Form4->Timer1->isActive());
        Form1->hide();
        QCoreApplication::processEvents();
        QVERIFY(!Form1->isVisible());
        QVERIFY(f.boxes.records.isEmpty());
    }
};

QTEST_MAIN(TestGreeting)
#include "tst_greeting.moc"
