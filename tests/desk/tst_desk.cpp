#include "data/Backend.h"
#include "data/Connection.h"
#include "data/CourseSettings.h"
#include "data/DbError.h"
#include "data/GradeSheet.h"
#include "data/QuestionBank.h"
#include "data/SqliteJournal.h"
#include "data/TeacherPassword.h"
#include "desk/SheetExport.h"
#include "desk/SheetModel.h"
#include "desk/Unit13.h"
#include "desk/Unit14.h"
#include "platform/Widgets.h"
#include "signin/Unit1.h"
#include "tests/support/FormFacts.h"
#include "tests/support/WindowFixture.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QFile>
#include <QGraphicsView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPdfWriter>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTest>
#include <QTimer>

namespace {

QStringList texts(std::initializer_list<const char *> items)
{
    QStringList list;
    for (const char *item : items)
        list << QString::fromUtf8(item);
    return list;
}

// A quick digest for tests; the program's own count is for real passwords.
constexpr int fewIterations = 1000;

// Fields of a CSV text with ';' between them and '"' around those that need it, as a spreadsheet
// reads it.
QList<QStringList> readCsv(const QString &text)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u';') {
            row << field;
            field.clear();
        } else if (c == u'\n') {
            row << field;
            rows << row;
            row.clear();
            field.clear();
        } else if (c != u'\r') {
            field += c;
        }
    }
    return rows;
}

// Answers every question of the chapter, the first count of them right; returns how many.
int answerAll(Connection &db, int chapter, qint64 attempt, int count)
{
    auto rows = db.query(QStringLiteral("SELECT ID_V, \"вариант\" FROM Test%1 ORDER BY ID_V").arg(chapter));
    SqliteJournal journal(db);
    int n = 0;
    while (rows->next()) {
        const QString right = rows->text(1);
        const QString letter = n < count                      ? right
                               : right == QStringLiteral("A") ? QStringLiteral("B")
                                                              : QStringLiteral("A");
        journal.recordAnswer(attempt, int(rows->int64(0)), letter, 60);
        ++n;
    }
    return n;
}

} // namespace

class TestDesk : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pbkdf2_data()
    {
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QByteArray>("salt");
        QTest::addColumn<int>("iterations");
        QTest::addColumn<QByteArray>("key");
        QTest::newRow("one") << QByteArray("password") << QByteArray("salt") << 1
                             << QByteArray::fromHex("120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b");
        QTest::newRow("two") << QByteArray("password") << QByteArray("salt") << 2
                             << QByteArray::fromHex("ae4d0c95af6b46d32d0adff928f06dd02a303f8ef3c251dfd6e2d85a95474c43");
        QTest::newRow("4096") << QByteArray("password") << QByteArray("salt") << 4096
                              << QByteArray::fromHex(
                                     "c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a");
        // Two blocks of output, a key longer than SHA-256's block.
        QTest::newRow("long") << QByteArray("passwd") << QByteArray("salt") << 1
                              << QByteArray::fromHex(
                                     "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
                                     "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783");
    }
    void pbkdf2()
    {
        QFETCH(QByteArray, password);
        QFETCH(QByteArray, salt);
        QFETCH(int, iterations);
        QFETCH(QByteArray, key);
        QCOMPARE(pbkdf2Sha256(password, salt, iterations, int(key.size())).toHex(), key.toHex());
    }

    void teacherPassword_data()
    {
        QTest::addColumn<QString>("tried");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("right") << QStringLiteral("Учитель №1") << true;
        QTest::newRow("other case") << QStringLiteral("учитель №1") << false;
        QTest::newRow("prefix") << QStringLiteral("Учитель") << false;
        QTest::newRow("longer") << QStringLiteral("Учитель №12") << false;
        QTest::newRow("empty") << QString() << false;
    }
    void teacherPassword()
    {
        QFETCH(QString, tried);
        QFETCH(bool, accepted);
        TestFolder folder;
        Connection db;
        db.setDatabaseFile(folder.databaseFile());
        QVERIFY(!hasTeacherPassword(db));
        QVERIFY(!checkTeacherPassword(db, tried));
        setTeacherPassword(db, QStringLiteral("Учитель №1"), fewIterations);
        const QString first = folder.scalar(QStringLiteral("SELECT Salt || Digest FROM Teacher")).toString();
        QVERIFY(!first.contains(QStringLiteral("Учитель")));
        QCOMPARE(checkTeacherPassword(db, tried), accepted);
        // Set again, the same password gets a new salt and digest, and a single row.
        setTeacherPassword(db, QStringLiteral("Учитель №1"), fewIterations);
        QVERIFY(folder.scalar(QStringLiteral("SELECT Salt || Digest FROM Teacher")).toString() != first);
        QCOMPARE(folder.scalar(QStringLiteral("SELECT count(*) FROM Teacher")).toInt(), 1);
        QCOMPARE(checkTeacherPassword(db, tried), accepted);
        QVERIFY_THROWS_EXCEPTION(DbError, setTeacherPassword(db, QString(), fewIterations));
    }

    void refusalDelayGrows_data()
    {
        QTest::addColumn<int>("failures");
        QTest::addColumn<int>("seconds");
        QTest::newRow("first slip") << 1 << 0;
        QTest::newRow("second slip") << 2 << 0;
        QTest::newRow("third") << 3 << 2;
        QTest::newRow("fourth") << 4 << 4;
        QTest::newRow("capped") << 9 << 60;
        QTest::newRow("many") << 1000 << 60;
    }
    void refusalDelayGrows()
    {
        QFETCH(int, failures);
        QFETCH(int, seconds);
        QCOMPARE(refusalDelaySeconds(failures), seconds);
    }

    void passwordForm_data()
    {
        formfacts::addColumns();
        formfacts::row("Form14", "", "Кабинет преподавателя", {0, 0, 360, 148});
        formfacts::row("Label1", "Form14", "Пароль преподавателя:", {16, 14, 328, 18});
        formfacts::row("Edit1", "Form14", "", {16, 36, 328, 24}, 0);
        formfacts::row("BitBtn1", "Form14", "OK", {176, 108, 80, 28}, 1, "Ok");
        formfacts::row("BitBtn2", "Form14", "Отмена", {264, 108, 80, 28}, 2, "Cancel");
    }
    void passwordForm()
    {
        TForm14 window([](const QString &) { return false; });
        formfacts::check(&window);
    }

    // The desk opens from the sign-in window's key after the right password; wrong ones are
    // refused, and after the second OK waits on a timer while the window stays responsive.
    void deskAfterPassword()
    {
        WindowFixture f;
        shell::bringToFront(Form1);
        QVERIFY(QTest::qWaitForWindowActive(Form1));
        QTest::keySequence(Form1, QKeySequence(QString::fromLatin1(shell::teacherKey)));
        QCOMPARE(f.boxes.records.size(), 1); // no password yet: told how to set one
        QVERIFY(f.boxes.texts().constFirst().contains(QStringLiteral("--set-teacher-password")));

        Connection db;
        db.setDatabaseFile(f.folder.databaseFile());
        setTeacherPassword(db, QStringLiteral("секрет"), fewIterations);
        QTest::keySequence(Form1, QKeySequence(QString::fromLatin1(shell::teacherKey)));
        TForm14 *prompt = Form13->passwordWindow();
        QVERIFY(prompt && prompt->isVisible());
        for (int attempt = 1; attempt <= 3; ++attempt) {
            prompt->Edit1->setText(QStringLiteral("догадка"));
            prompt->BitBtn1->click();
        }
        QVERIFY(prompt->isVisible());
        QVERIFY(!Form13->isVisible());
        QVERIFY(prompt->Label2->text().contains(QStringLiteral("Неверный пароль")));
        QVERIFY(!prompt->BitBtn1->isEnabled());
        QCOMPARE(prompt->Timer1->interval(), 2000);
        // While it waits, even the right password is not tried.
        prompt->Edit1->setText(QStringLiteral("секрет"));
        prompt->BitBtn1Click();
        QVERIFY(prompt->isVisible());
        prompt->Timer1Timer();
        QVERIFY(prompt->BitBtn1->isEnabled());
        prompt->Edit1->setText(QStringLiteral("секрет"));
        prompt->BitBtn1->click();
        QVERIFY(!prompt->isVisible());
        QVERIFY(Form13->isVisible());
        QCOMPARE(prompt->failures(), 0);
        // The chart comes from the desk's module, found beside the program.
        QVERIFY(Form13->SheetChart->findChild<QGraphicsView *>());
    }

    // A crafted record against the sheet's figures: best grade per chapter, a grade 0 row as not
    // taken, attempts however they ended, pages opened once each and only course pages.
    void sheetFigures()
    {
        WindowFixture f;
        const int ivanov =
            f.addStudent(QStringLiteral("Иванов"), {}, QStringLiteral("ПО-21"), QStringLiteral("1 - Курс"));
        const int petrova =
            f.addStudent(QStringLiteral("Петрова"), {}, QStringLiteral("ИС-22"), QStringLiteral("2 - Курс"));
        f.folder.exec(
            QStringLiteral("UPDATE Users SET \"путь\" = '/x/Glaves\\Glava2.htm' WHERE ID = %1;\n"
                           "INSERT INTO Result (ID_User, ID_glava, Ocenka) VALUES (%1, 1, 3);\n"
                           "INSERT INTO Result (ID_User, ID_glava, Ocenka) VALUES (%1, 1, 5);\n"
                           "INSERT INTO Result (ID_User, ID_glava, Ocenka) VALUES (%1, 2, 0);\n"
                           "INSERT INTO Result (ID_User, ID_glava, Ocenka) VALUES (%2, 6, 2);\n"
                           "INSERT INTO Attempt (ID_User, ID_glava, Chapter, Questions, Minutes, FinePercent, "
                           "GoodPercent, BadPercent, Started, SecondsLeft, State) VALUES (%1, 1, 1, 14, 20, 90, 75, "
                           "50, '2026-01-01T00:00:00Z', 0, 'graded'), (%1, 1, 1, 14, 20, 90, 75, 50, "
                           "'2026-01-01T00:00:00Z', 0, 'ended'), (%1, 2, 2, 14, 20, 90, 75, 50, "
                           "'2026-01-01T00:00:00Z', 600, 'running');\n"
                           "INSERT INTO PageVisit (ID_User, Page) VALUES (%2, 'Glaves\\Glava1.html'), (%2, "
                           "'Glaves\\Руководство.htm')")
                .arg(ivanov)
                .arg(petrova));
        // The reader notes what it opens, each page once.
        f.signInDirectly(QStringLiteral("Иванов"));
        Form2->openChapter(1);
        Form2->openChapter(1);
        Form2->Label8Click();

        Connection db;
        db.setDatabaseFile(f.folder.databaseFile());
        const GradeSheet sheet = readGradeSheet(db);
        QCOMPARE(sheet.chapters.size(), 6);
        QCOMPARE(sheet.rows.size(), 2);
        const SheetRow &a = sheet.rows.at(0);
        QCOMPARE(a.name, QStringLiteral("Иванов"));
        QCOMPARE(a.grades, QList<int>({5, 0, 0, 0, 0, 0}));
        QCOMPARE(a.attempts, 3);
        QCOMPARE(a.pagesOpened, 2);
        QCOMPARE(a.lastPage, QStringLiteral("Введение.htm"));
        const SheetRow &b = sheet.rows.at(1);
        QCOMPARE(b.grades, QList<int>({0, 0, 0, 0, 0, 2}));
        QCOMPARE(b.attempts, 0);
        QCOMPARE(b.pagesOpened, 1);
        QCOMPARE(b.specialty, QStringLiteral("ИС-22"));
        QCOMPARE(b.course, QStringLiteral("2 - Курс"));

        // The desk's table: sorted by a chapter's grade as numbers, filtered by course.
        SheetModel model;
        QAbstractItemModelTester modelTester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        SheetFilter filter;
        QAbstractItemModelTester filterTester(&filter, QAbstractItemModelTester::FailureReportingMode::QtTest);
        filter.setSourceModel(&model);
        model.setSheet(sheet);
        filter.sort(SheetModel::FirstChapterColumn + 5, Qt::DescendingOrder);
        QCOMPARE(filter.index(0, SheetModel::NameColumn).data().toString(), QStringLiteral("Петрова"));
        QCOMPARE(filter.index(0, model.attemptsColumn() + 2).data().toString(), QStringLiteral("1 из 10"));
        QCOMPARE(filter.index(1, SheetModel::FirstChapterColumn + 5).data().toString(), QString());
        filter.setCourse(QStringLiteral("1 - Курс"));
        QCOMPARE(filter.rowCount(), 1);
        QCOMPARE(filter.visibleSheet().rows.constFirst().name, QStringLiteral("Иванов"));
        QCOMPARE(gradeCounts(filter.visibleSheet()).constFirst(), (std::array<int, 4>{0, 0, 0, 1}));
        filter.setSpecialty(QStringLiteral("ИС-22"));
        QCOMPARE(filter.rowCount(), 0);
    }

    void csvRoundTrip()
    {
        GradeSheet sheet;
        sheet.chapters = {{1, QStringLiteral("Глава1")}, {2, QStringLiteral("Глава; «вторая»")}};
        sheet.rows = {
            {1,
             QStringLiteral("Иванов, Пётр \"Младший\""),
             QStringLiteral("ПО;21"),
             QStringLiteral("1 - Курс"),
             {5, 0},
             3,
             QStringLiteral("Glava1.html"),
             7},
            {2, QStringLiteral("=1+2"), QStringLiteral("-ИС"), QStringLiteral("2"), {0, 2}, 0, QString(), 0},
        };
        const QByteArray bytes = sheetCsv(sheet);
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        const QString text = QString::fromUtf8(bytes.mid(3));
        const QList<QStringList> rows = readCsv(text);
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(0), texts({"Фамилия", "Специальность", "Курс", "Глава1", "Глава; «вторая»", "Попыток",
                                    "Последняя страница", "Открыто страниц"}));
        QCOMPARE(rows.at(1),
                 texts({"Иванов, Пётр \"Младший\"", "ПО;21", "1 - Курс", "5", "", "3", "Glava1.html", "7"}));
        // What a spreadsheet would run as a formula stays text.
        QCOMPARE(rows.at(2), texts({"'=1+2", "'-ИС", "2", "", "2", "0", "", "0"}));
        // Numbers stand bare, so the spreadsheet takes them as numbers.
        QCOMPARE(text.split(QStringLiteral("\r\n")).at(2), QStringLiteral("'=1+2;'-ИС;2;;2;0;;0"));
        QCOMPARE(sheetFileName(QDate(2026, 12, 9), QStringLiteral("csv")), QStringLiteral("Ведомость 2026-12-09.csv"));

        TestFolder folder;
        const QString file = folder.path() + sheetFileName(QDate(2026, 12, 9), QStringLiteral("csv"));
        QVERIFY(writeFile(file, bytes).isEmpty());
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), bytes);
        QVERIFY(!writeFile(folder.path() + QStringLiteral("нет/такой/папки.csv"), bytes).isEmpty());

        {
            QPdfWriter pdf(folder.path() + QStringLiteral("sheet.pdf"));
            printSheet(sheet, QDate(2026, 12, 9), &pdf);
        }
        QFile pdf(folder.path() + QStringLiteral("sheet.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");
    }

    // Good and bad inputs of each format: the questions taken, and the lines rejected.
    void parseBanks_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<BankQuestion>>("questions");
        QTest::addColumn<QList<int>>("rejectedLines");
        const auto q = [](const char *text, std::initializer_list<const char *> answers, const char *right,
                          const char *place = "") {
            return BankQuestion{QString::fromUtf8(text), texts(answers), QString::fromUtf8(right),
                                QString::fromUtf8(place)};
        };
        QTest::newRow("aiken") << int(BankFormat::Aiken)
                               << QStringLiteral("\uFEFFЧто такое X?\r\nA. один\r\nB. два\r\nC) три\r\nANSWER: B\r\n"
                                                 "Второй\nвопрос\nA. да\nB. нет\nANSWER: a\n")
                               << QList<BankQuestion>{q("Что такое X?", {"один", "два", "три"}, "B"),
                                                      q("Второй вопрос", {"да", "нет"}, "A")}
                               << QList<int>{};
        QTest::newRow("aiken faults") << int(BankFormat::Aiken)
                                      << QStringLiteral("Вопрос 1\nA. a\nC. c\nANSWER: A\n\n"
                                                        "Вопрос 2\nA. a\nB. b\nANSWER: D\n\n"
                                                        "Вопрос 3\nA. a\nB. b\n\n"
                                                        "Вопрос 4\nA. x\nB. y\nANSWER: A\n\n"
                                                        "A. без вопроса\nANSWER: A\n\n"
                                                        "Вопрос 6\nA. 1\nB. 2\nC. 3\nD. 4\nE. 5\nF. 6\nANSWER: A")
                                      << QList<BankQuestion>{q("Вопрос 4", {"x", "y"}, "A")}
                                      << QList<int>{3, 9, 11, 20, 29};
        QTest::newRow("gift") << int(BankFormat::Gift)
                              << QStringLiteral(
                                     "// комментарий\n::Q1:: Столица? {\n=Москва\n~Казань#неверно\n~Самара\n}\n\n"
                                     "Верно ли? {T}\n\nСколько? {#5}\n\n"
                                     "Шесть {=a ~b ~c ~d ~e ~f}\n\n"
                                     "С \\{скобками\\} {=да \\= нет ~%0%нет}\n\n"
                                     "Краткий {=a =b}\n\nБез скобок\n\nПара {a -> b}\n\n"
                                     "Доли {~%50%a ~%50%b ~c}")
                              << QList<BankQuestion>{q("Столица?", {"Москва", "Казань", "Самара"}, "A"),
                                                     q("С {скобками}", {"да = нет", "нет"}, "A")}
                              << QList<int>{8, 10, 12, 16, 18, 20, 22};
        QTest::newRow("csv") << int(BankFormat::Csv)
                             << QStringLiteral(
                                    "Вопрос;A;B;C;D;E;Ответ\n\"Цвет; неба?\";синий;\"зелёный,\nтёмный\";;;;A\n"
                                    "Q2;a;b;c;d;e;6\nQ3;a;b\nQ4;a;;c;;;C\n"
                                    "\"Q5 \"\"кавычки\"\"\";x;y;z;;;3;Glava1.html#a\n")
                             << QList<BankQuestion>{q("Цвет; неба?", {"синий", "зелёный,\nтёмный"}, "A"),
                                                    q("Q5 \"кавычки\"", {"x", "y", "z"}, "C", "Glava1.html#a")}
                             << QList<int>{4, 5, 6};
        QTest::newRow("csv with commas") << int(BankFormat::Csv) << QStringLiteral("Q,a,b,,,,2\n")
                                         << QList<BankQuestion>{q("Q", {"a", "b"}, "B")} << QList<int>{};
        QTest::newRow("too long") << int(BankFormat::Csv) << QStringLiteral("%1;a;b;;;;A\n").arg(QString(256, u'я'))
                                  << QList<BankQuestion>{} << QList<int>{1};
    }
    void parseBanks()
    {
        QFETCH(int, format);
        QFETCH(QString, text);
        QFETCH(QList<BankQuestion>, questions);
        QFETCH(QList<int>, rejectedLines);
        const ParsedBank bank = parseBank(text, BankFormat(format));
        QList<int> lines;
        for (const RejectedLine &r : bank.rejected) {
            lines << r.line;
            QVERIFY(!r.reason.isEmpty());
        }
        QCOMPARE(lines, rejectedLines);
        QCOMPARE(bank.questions, questions);
    }

    // The desk's import: a preview first, then the questions written after the teacher agrees.
    void importThroughTheDesk()
    {
        WindowFixture f;
        Connection db;
        db.setDatabaseFile(f.folder.databaseFile());
        setTeacherPassword(db, QStringLiteral("секрет"), fewIterations);
        shell::windows()->teacherDesk()->askPassword(nullptr);
        Form13->passwordWindow()->Edit1->setText(QStringLiteral("секрет"));
        Form13->passwordWindow()->BitBtn1Click();
        QAbstractItemModelTester tester(Form13->previewModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QString file = f.folder.path() + QStringLiteral("bank.gift");
        QVERIFY(writeFile(file, QStringLiteral("Первый {=да ~нет}\n\nВторой {T}\n\nТретий {~a =b ~c}\n").toUtf8())
                    .isEmpty());
        Form13->ComboBox4->setCurrentIndex(1);
        Form13->previewBank(file);
        QCOMPARE(Form13->previewModel()->rowCount(), 2);
        QCOMPARE(Form13->RejectedList->count(), 1);
        QVERIFY(Form13->RejectedList->item(0)->text().startsWith(QStringLiteral("Строка 3:")));
        QCOMPARE(f.folder.scalar(QStringLiteral("SELECT count(*) FROM Test2")).toInt(), 14);

        f.boxes.answers = {platform::BoxAnswer::Cancel};
        Form13->RadioReplace->setChecked(true);
        Form13->ButtonImport->click();
        QCOMPARE(f.folder.scalar(QStringLiteral("SELECT count(*) FROM Test2")).toInt(), 14);
        Form13->ButtonImport->click();
        QCOMPARE(f.folder.scalar(QStringLiteral("SELECT count(*) FROM Test2")).toInt(), 2);
        QCOMPARE(
            f.folder.scalar(QStringLiteral("SELECT \"вариант\" FROM Test2 WHERE \"вопрос\" = 'Третий'")).toString(),
            QStringLiteral("B"));
        QVERIFY(!Form13->ButtonImport->isEnabled());
    }

    void settingsChecks_data()
    {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("fine");
        QTest::addColumn<int>("good");
        QTest::addColumn<int>("bad");
        QTest::addColumn<bool>("valid");
        QTest::newRow("usual") << 20 << 90 << 75 << 50 << true;
        QTest::newRow("edges") << 1 << 100 << 100 << 0 << true;
        QTest::newRow("all equal") << 600 << 0 << 0 << 0 << true;
        QTest::newRow("no minutes") << 0 << 90 << 75 << 50 << false;
        QTest::newRow("negative minutes") << -5 << 90 << 75 << 50 << false;
        QTest::newRow("too many minutes") << 601 << 90 << 75 << 50 << false;
        QTest::newRow("fine over 100") << 20 << 101 << 75 << 50 << false;
        QTest::newRow("bad below 0") << 20 << 90 << 75 << -1 << false;
        QTest::newRow("fine below good") << 20 << 70 << 75 << 50 << false;
        QTest::newRow("good below bad") << 20 << 90 << 40 << 50 << false;
        QTest::newRow("upside down") << 20 << 10 << 50 << 90 << false;
    }
    void settingsChecks()
    {
        QFETCH(int, minutes);
        QFETCH(int, fine);
        QFETCH(int, good);
        QFETCH(int, bad);
        QFETCH(bool, valid);
        TestFolder folder;
        Connection db;
        db.setDatabaseFile(folder.databaseFile());
        const GradeRules before = readSettings(db);
        const GradeRules rules{minutes, fine, good, bad};
        QCOMPARE(settingsProblem(rules).isEmpty(), valid);
        if (valid) {
            saveSettings(db, rules);
            const GradeRules after = readSettings(db);
            QCOMPARE(QList<int>({after.minutes, after.fine, after.good, after.bad}),
                     QList<int>({minutes, fine, good, bad}));
        } else {
            QVERIFY_THROWS_EXCEPTION(DbError, saveSettings(db, rules));
            const GradeRules after = readSettings(db);
            QCOMPARE(QList<int>({after.minutes, after.fine, after.good, after.bad}),
                     QList<int>({before.minutes, before.fine, before.good, before.bad}));
        }
    }

    // Settings changed while a test runs: the test is graded by those it began with, the next one
    // by the new ones.
    void runningTestKeepsItsSettings()
    {
        WindowFixture f;
        const int student = f.addStudent(QStringLiteral("Сидоров"));
        Connection db;
        db.setDatabaseFile(f.folder.databaseFile());
        SqliteJournal journal(db);
        const Attempt running = journal.begin(student, 1, 1, 14, readSettings(db));
        saveSettings(db, {5, 75, 60, 40});
        QCOMPARE(answerAll(db, 1, running.id, 11), 14);
        QCOMPARE(journal.finish(running.id), 4); // 79 % under 90/75/50
        const Attempt next = journal.begin(student, 1, 1, 14, readSettings(db));
        answerAll(db, 1, next.id, 11);
        QCOMPARE(journal.finish(next.id), 5);
        QCOMPARE(journal.attempt(next.id)->rules.minutes, 5);
    }
};

QTEST_MAIN(TestDesk)
#include "tst_desk.moc"
