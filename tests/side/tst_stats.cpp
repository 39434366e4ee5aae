#include "platform/CursorTableModel.h"
#include "platform/DBNavigator.h"
#include "platform/Widgets.h"
#include "stats/Unit3.h"
#include "tests/support/FormFacts.h"
#include "tests/support/WindowFixture.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {

using Results = QList<QPair<QString, int>>;

int chapterId(WindowFixture &f, const QString &caption)
{
    return f.folder.scalar(QStringLiteral("SELECT ID_Glava FROM Glaves WHERE Caption = '%1'").arg(caption)).toInt();
}

void addResult(WindowFixture &f, int user, int chapter, int grade)
{
    f.folder.exec(QStringLiteral("INSERT INTO Result (ID_User, ID_glava, Ocenka) VALUES (%1, %2, %3)")
                      .arg(user)
                      .arg(chapter)
                      .arg(grade));
}

// The rows a grid shows, one "cell|cell" text per row.
QStringList gridRows(QTableView *grid)
{
    QStringList rows;
    QAbstractItemModel *model = grid->model();
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->index(r, c).data().toString();
        rows << cells.join(u'|');
    }
    return rows;
}

int rowOf(QTableView *grid, const QString &name)
{
    for (int r = 0; r < grid->model()->rowCount(); ++r) {
        if (grid->model()->index(r, 0).data().toString() == name)
            return r;
    }
    return -1;
}

QString currentName(TableCursor *cursor)
{
    return cursor->fieldByName(QStringLiteral("фамилия")).asString();
}

// Opens the window as the reader does; its grids' models are checked on every change.
void openStatistics()
{
    Form3->prepare();
    for (QTableView *grid : {Form3->DBGrid1, Form3->DBGrid2}) {
        QAbstractItemModel *model = grid->model();
        if (!model->findChild<QAbstractItemModelTester *>())
            new QAbstractItemModelTester(model, QAbstractItemModelTester::FailureReportingMode::QtTest, model);
    }
    Form3->show();
}

} // namespace

class TestStats : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The form's key facts.
    void form_data()
    {
        using formfacts::row;
        formfacts::addColumns();
        row("Form3", "", "Статистика", {0, 0, 561, 493});
        row("Image1", "Form3", "", {0, 0, 553, 417});
        row("Bevel2", "Form3", "", {16, 16, 513, 337});
        row("DBGrid1", "Form3", "", {0, 0, 561, 153}, 0);
        row("StaticText1", "Form3", "Пройденные главы", {0, 152, 473, 17});
        row("DBGrid2", "Form3", "", {0, 168, 553, 250}, 1);
        row("Panel1", "Form3", "", {0, 452, 561, 41});
        row("DBNavigator1", "Panel1", "", {21, 8, 220, 25});
        row("BitBtn1", "Panel1", " &инфо!", {302, 8, 67, 25}, 2, "Ok");
        row("BitBtn2", "Panel1", "&Выход", {406, 8, 75, 25}, 3, "Close");
    }
    void form()
    {
        WindowFixture f;
        formfacts::check(Form3);
    }

    void opensWithListsHiddenAndToggles()
    {
        WindowFixture f;
        f.addStudent(QStringLiteral("Иванов И.И."));
        f.signInDirectly(QStringLiteral("Иванов И.И."));
        QCOMPARE(Form3->pos(), QPoint(180, 80));
        openStatistics();

        const QList<QWidget *> lists{Form3->DBGrid1, Form3->DBGrid2, Form3->StaticText1, Form3->DBNavigator1};
        auto shown = [&] {
            QList<bool> states;
            for (QWidget *w : lists)
                states << w->isVisible();
            return states;
        };
        QVERIFY(Form3->Image1->isVisible());
        QVERIFY(Form3->BitBtn1->isVisible());
        QVERIFY(Form3->BitBtn2->isVisible());
        QCOMPARE(shown(), QList<bool>(4, false));

        QTest::mouseClick(Form3->BitBtn1, Qt::LeftButton);
        QCOMPARE(shown(), QList<bool>(4, true));
        QTest::mouseClick(Form3->BitBtn1, Qt::LeftButton);
        QCOMPARE(shown(), QList<bool>(4, false));

        // Every opening starts hidden again, even if the lists were left open.
        Form3->BitBtn1Click();
        openStatistics();
        QCOMPARE(shown(), QList<bool>(4, false));

        QTest::mouseClick(Form3->BitBtn2, Qt::LeftButton);
        QVERIFY(!Form3->isVisible());
    }

    void fromTheReaderMenuAfterATest()
    {
        WindowFixture f;
        const int me = f.addStudent(QStringLiteral("Егоров Е.Е."));
        addResult(f, me, chapterId(f, QStringLiteral("Глава3")), 5);
        f.signInDirectly(QStringLiteral("Егоров Е.Е."));
        // A finished test leaves the users and results cursors closed.
        Data->UserTab->close();
        Data->ResultTab->close();
        Form2->N2Click();
        QVERIFY(Form3->isVisible());
        QVERIFY(!Form3->DBGrid1->isVisible());
        Form3->BitBtn1Click();
        QCOMPARE(currentName(Form3->usersCursor()), QStringLiteral("Егоров Е.Е."));
        QCOMPARE(gridRows(Form3->DBGrid2), QStringList{QStringLiteral("Глава3|5")});
    }

    void listsFollowTheWindowSize()
    {
        WindowFixture f;
        Form3->show();
        Form3->resize(700, 600);
        QCOMPARE(Form3->DBGrid1->geometry(), QRect(0, 0, 700, 153));
        QCOMPARE(Form3->Panel1->geometry(), QRect(0, 559, 700, 41));
        QCOMPARE(Form3->DBGrid2->geometry(), QRect(0, 168, 553, 250));
    }

    void resultsOfTheSignedInStudent_data()
    {
        QTest::addColumn<Results>("results");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("opened two, passed one") << Results{{QStringLiteral("Глава1"), 4}, {QStringLiteral("Глава2"), 0}}
                                                << QStringList{QStringLiteral("Глава1|4"), QStringLiteral("Глава2|0")};
        QTest::newRow("nothing opened") << Results{} << QStringList{};
        QTest::newRow("chapter that no longer exists") << Results{{QString(), 3}} << QStringList{QStringLiteral("|3")};
    }
    void resultsOfTheSignedInStudent()
    {
        QFETCH(Results, results);
        QFETCH(QStringList, rows);
        WindowFixture f;
        const int me = f.addStudent(QStringLiteral("Петров П.П."));
        const int other = f.addStudent(QStringLiteral("Сидоров С.С."));
        addResult(f, other, chapterId(f, QStringLiteral("Глава3")), 5);
        for (const auto &[caption, grade] : results)
            addResult(f, me, caption.isEmpty() ? 9999 : chapterId(f, caption), grade);
        f.signInDirectly(QStringLiteral("Петров П.П."));

        openStatistics();
        Form3->BitBtn1Click();
        QCOMPARE(gridRows(Form3->DBGrid2), rows);
        QAbstractItemModel *model = Form3->DBGrid2->model();
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Глава"));
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Оценка"));
        QCOMPARE(Form3->DBGrid2->columnWidth(0), 366);
        QCOMPARE(Form3->DBGrid2->columnWidth(1), 73);
        QVERIFY(Form3->DBGrid2->isVisible());
    }

    void studentsList()
    {
        WindowFixture f;
        f.addStudent(QStringLiteral("Иванов И.И."), QStringLiteral("секрет"), QStringLiteral("Психология"),
                     QStringLiteral("3 - Курс"));
        f.signInDirectly(QStringLiteral("Иванов И.И."));
        openStatistics();
        QAbstractItemModel *model = Form3->DBGrid1->model();
        QCOMPARE(model->columnCount(), 3);
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Фамилия"));
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("специальность"));
        QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("курс"));
        const int row = rowOf(Form3->DBGrid1, QStringLiteral("Иванов И.И."));
        QVERIFY(row >= 0);
        // The password is not shown; the row indicator marks the signed-in student.
        QCOMPARE(gridRows(Form3->DBGrid1).at(row), QStringLiteral("Иванов И.И.|Психология|3 - Курс"));
        QCOMPARE(model->headerData(row, Qt::Vertical).toString(), QStringLiteral("►"));
        QCOMPARE(Form3->DBGrid1->currentIndex().row(), row);
    }

    void browsingShowsAnotherStudentAndKeepsTheSignedIn_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("navigator") << QStringLiteral("navigator");
        QTest::newRow("click") << QStringLiteral("click");
        QTest::newRow("keyboard") << QStringLiteral("keyboard");
    }
    void browsingShowsAnotherStudentAndKeepsTheSignedIn()
    {
        QFETCH(QString, how);
        WindowFixture f;
        const int me = f.addStudent(QStringLiteral("Андреев А.А."));
        const int other = f.addStudent(QStringLiteral("Борисов Б.Б."));
        addResult(f, me, chapterId(f, QStringLiteral("Глава1")), 3);
        addResult(f, other, chapterId(f, QStringLiteral("Глава5")), 5);
        addResult(f, other, chapterId(f, QStringLiteral("Глава6")), 0);
        f.signInDirectly(QStringLiteral("Андреев А.А."));
        Data->ResultTab->open();
        const int signedInRow = Data->UserTab->recNo();

        openStatistics();
        QTest::mouseClick(Form3->BitBtn1, Qt::LeftButton);
        QCOMPARE(gridRows(Form3->DBGrid2), QStringList{QStringLiteral("Глава1|3")});

        QTableView *grid = Form3->DBGrid1;
        const int otherRow = rowOf(grid, QStringLiteral("Борисов Б.Б."));
        if (how == u"navigator") {
            QTest::mouseClick(Form3->DBNavigator1->findChild<QPushButton *>(QStringLiteral("Next")), Qt::LeftButton);
        } else if (how == u"click") {
            const QRect cell = grid->visualRect(grid->model()->index(otherRow, 0));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        } else {
            grid->setFocus();
            QTest::keyClick(grid, Qt::Key_Down);
        }
        QCOMPARE(currentName(Form3->usersCursor()), QStringLiteral("Борисов Б.Б."));
        QCOMPARE(grid->currentIndex().row(), otherRow);
        QCOMPARE(gridRows(Form3->DBGrid2), (QStringList{QStringLiteral("Глава5|5"), QStringLiteral("Глава6|0")}));

        // The rest of the program still acts for the signed-in student.
        QCOMPARE(currentName(Data->UserTab), QStringLiteral("Андреев А.А."));
        QCOMPARE(Data->UserTab->recNo(), signedInRow);
        QCOMPARE(Data->ResultTab->recordCount(), 1);
        QCOMPARE(Data->ResultTab->fieldByName(QStringLiteral("Ocenka")).asInteger(), 3);

        // The next opening starts on the signed-in student's own results again.
        Form3->close();
        openStatistics();
        QCOMPARE(currentName(Form3->usersCursor()), QStringLiteral("Андреев А.А."));
        QCOMPARE(gridRows(Form3->DBGrid2), QStringList{QStringLiteral("Глава1|3")});
    }

    void navigatorButtonsFollowThePosition()
    {
        WindowFixture f;
        f.addStudent(QStringLiteral("Первый"));
        f.addStudent(QStringLiteral("Последний"));
        f.signInDirectly(QStringLiteral("Последний"));
        openStatistics();
        platform::DBNavigator *nav = Form3->DBNavigator1;
        auto enabled = [nav] {
            return QList<bool>{nav->First->isEnabled(), nav->Prior->isEnabled(), nav->Next->isEnabled(),
                               nav->Last->isEnabled()};
        };
        QCOMPARE(enabled(), (QList<bool>{true, true, false, false}));
        nav->First->click();
        QCOMPARE(Form3->usersCursor()->recNo(), 0);
        QCOMPARE(enabled(), (QList<bool>{false, false, true, true}));
        nav->Last->click();
        QCOMPARE(currentName(Form3->usersCursor()), QStringLiteral("Последний"));
        nav->Prior->click();
        QCOMPARE(Form3->usersCursor()->recNo(), Form3->usersCursor()->recordCount() - 2);
    }

    void eachOpeningShowsWhatWasStoredSince()
    {
        WindowFixture f;
        const int me = f.addStudent(QStringLiteral("Гаврилов Г.Г."));
        addResult(f, me, chapterId(f, QStringLiteral("Глава2")), 0);
        f.signInDirectly(QStringLiteral("Гаврилов Г.Г."));
        openStatistics();
        QCOMPARE(gridRows(Form3->DBGrid2), QStringList{QStringLiteral("Глава2|0")});
        const int students = Form3->DBGrid1->model()->rowCount();

        f.folder.exec(QStringLiteral("UPDATE Result SET Ocenka = 4 WHERE ID_User = %1").arg(me));
        f.addStudent(QStringLiteral("Новиков Н.Н."));
        Form3->close();
        openStatistics();
        QCOMPARE(gridRows(Form3->DBGrid2), QStringList{QStringLiteral("Глава2|4")});
        QCOMPARE(Form3->DBGrid1->model()->rowCount(), students + 1);
    }

    void gradesCannotBeEdited()
    {
        WindowFixture f;
        const int me = f.addStudent(QStringLiteral("Дмитриев Д.Д."));
        addResult(f, me, chapterId(f, QStringLiteral("Глава1")), 4);
        f.signInDirectly(QStringLiteral("Дмитриев Д.Д."));
        openStatistics();
        Form3->BitBtn1Click();
        for (QTableView *grid : {Form3->DBGrid1, Form3->DBGrid2}) {
            QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
            const QModelIndex cell = grid->model()->index(0, grid->model()->columnCount() - 1);
            QVERIFY(!(grid->model()->flags(cell) & Qt::ItemIsEditable));
            QVERIFY(!grid->model()->setData(cell, 5));
        }
        const QModelIndex grade = Form3->DBGrid2->model()->index(0, 1);
        QTest::mouseDClick(Form3->DBGrid2->viewport(), Qt::LeftButton, {}, Form3->DBGrid2->visualRect(grade).center());
        QTest::keyClicks(Form3->DBGrid2, QStringLiteral("5"));
        QTest::keyClick(Form3->DBGrid2, Qt::Key_Return);
        QCOMPARE(f.folder.scalar(QStringLiteral("SELECT Ocenka FROM Result WHERE ID_User = %1").arg(me)).toInt(), 4);
    }
};

QTEST_MAIN(TestStats)
#include "tst_stats.moc"
