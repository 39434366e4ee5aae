// What the teacher's desk reads and writes, on a copy of the course's Data.mdb and again (as
// tst_deskdata_server) on a course database that velanika-server made, the desk signed in as the
// server's teacher role.

#include "data/Backend.h"
#include "data/Connection.h"
#include "data/CourseSettings.h"
#include "data/DbError.h"
#include "data/GradeSheet.h"
#include "data/QuestionBank.h"
#include "data/ServerSettings.h"
#include "tests/data/ServerCourse.h"
#include "tests/support/TestFolder.h"

#include <QTest>

#include <memory>

namespace {

bool onServer()
{
    return !testServer().isEmpty();
}

// The class's record: desk is the teacher's connection, raw one that shapes the data as another
// program would (on the server its administrator, in the stored tables).
class Record
{
public:
    Record()
    {
        if (onServer()) {
            m_course = std::make_unique<Course>();
            if (!m_course->error().isEmpty())
                throw DbError(m_course->error());
            desk.setExpectedSchemaVersion(serverSchemaVersion);
            desk.setServer(teacherConnectionString(m_course->student(), Course::teacherPassword()));
            raw.setServer(m_course->admin() + QStringLiteral(" options=-csearch_path=velanika_data"));
        } else {
            m_folder = std::make_unique<TestFolder>();
            desk.setDatabaseFile(m_folder->databaseFile());
            raw.setDatabaseFile(m_folder->databaseFile());
        }
    }

    int addStudent(const QString &name, const QString &specialty, const QString &course, const QString &page = {})
    {
        const auto rows = raw.query(QStringLiteral("INSERT INTO Users (\"фамилия\", \"специальность\", \"курс\", "
                                                   "\"путь\") VALUES (?, ?, ?, ?) RETURNING ID"),
                                    {name, specialty, course, page});
        rows->next();
        return int(rows->int64(0));
    }

    // A test of the chapter with its answers (question's ID_V, letter), judged by the bank.
    void addAttempt(int student, int chapter, const QString &state, const QList<std::pair<int, QString>> &answers)
    {
        const QString serverState = state == u"ended" ? QStringLiteral("abandoned") : state;
        auto rows =
            onServer()
                ? raw.query(
                      QStringLiteral("INSERT INTO attempts (user_id, chapter, id_glava, minutes, fine, good, bad, "
                                     "questions, state) VALUES (?, ?, ?, 20, 90, 75, 50, 14, ?) RETURNING id"),
                      {student, chapter, chapter, serverState})
                : raw.query(QStringLiteral("INSERT INTO Attempt (ID_User, ID_glava, Chapter, Questions, Minutes, "
                                           "FinePercent, GoodPercent, BadPercent, Started, SecondsLeft, State) VALUES "
                                           "(?, ?, ?, 14, 20, 90, 75, 50, '2026-01-01T00:00:00Z', 0, ?) "
                                           "RETURNING ID_Attempt"),
                            {student, chapter, chapter, state});
        rows->next();
        const qint64 attempt = rows->int64(0);
        rows.reset(); // the row is written once its statement is done
        for (const auto &[question, letter] : answers) {
            const auto key =
                raw.query(QStringLiteral("SELECT \"вариант\" FROM Test%1 WHERE ID_V = ?").arg(chapter), {question});
            key->next();
            const bool right = key->text(0) == letter;
            if (onServer())
                raw.execute(QStringLiteral("INSERT INTO answers (attempt_id, question, letter, is_right) VALUES (?, ?, "
                                           "?, ?)"),
                            {attempt, question, letter, right});
            else
                raw.execute(QStringLiteral("INSERT INTO AttemptAnswer (ID_Attempt, ID_V, Letter, IsRight, Answered) "
                                           "VALUES (?, ?, ?, ?, '2026-01-01T00:00:00Z')"),
                            {attempt, question, letter, right ? 1 : 0});
        }
    }

    Connection desk;
    Connection raw;

private:
    std::unique_ptr<Course> m_course;
    std::unique_ptr<TestFolder> m_folder;
};

} // namespace

class TestDeskData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Grades per chapter (0: not taken), attempts however they ended, the last page, course pages
    // opened.
    void sheetFigures()
    {
        Record r;
        const int ivanov = r.addStudent(QStringLiteral("Иванов"), QStringLiteral("ПО-21"), QStringLiteral("1 - Курс"),
                                        QStringLiteral("/x/Glaves\\Glava2.htm"));
        const int petrova =
            r.addStudent(QStringLiteral("Петрова"), QStringLiteral("ИС-22"), QStringLiteral("2 - Курс"));
        r.raw.execute(QStringLiteral("INSERT INTO Result (ID_User, ID_glava, Ocenka) VALUES (?, 1, 5), (?, 2, 0), "
                                     "(?, 6, 2)"),
                      {ivanov, ivanov, petrova});
        r.addAttempt(ivanov, 1, QStringLiteral("graded"), {});
        r.addAttempt(ivanov, 1, QStringLiteral("ended"), {});
        r.addAttempt(ivanov, 2, QStringLiteral("running"), {});
        r.raw.execute(QStringLiteral("INSERT INTO PageVisit (ID_User, Page) VALUES (?, 'Glaves\\Glava1.html'), (?, "
                                     "'Glaves\\Руководство.htm'), (?, 'Glaves\\Введение.htm')"),
                      {petrova, petrova, ivanov});

        const GradeSheet sheet = readGradeSheet(r.desk);
        QCOMPARE(sheet.chapters.size(), 6);
        QCOMPARE(sheet.rows.size(), 2);
        const SheetRow &a = sheet.rows.at(0);
        QCOMPARE(a.name, QStringLiteral("Иванов"));
        QCOMPARE(a.grades, QList<int>({5, 0, 0, 0, 0, 0}));
        QCOMPARE(a.attempts, 3);
        QCOMPARE(a.pagesOpened, 1);
        QCOMPARE(a.lastPage, QStringLiteral("Glava2.htm"));
        const SheetRow &b = sheet.rows.at(1);
        QCOMPARE(b.grades, QList<int>({0, 0, 0, 0, 0, 2}));
        QCOMPARE(b.attempts, 0);
        QCOMPARE(b.pagesOpened, 1);
        QCOMPARE(b.course, QStringLiteral("2 - Курс"));
    }

    // Three graded tests and a running one: right shares over the graded, the common wrong letter.
    void difficultQuestions()
    {
        Record r;
        const int student = r.addStudent(QStringLiteral("Сидоров"), QStringLiteral("ПО"), QStringLiteral("1 - Курс"));
        QList<int> ids;
        QStringList right;
        const auto rows = r.desk.query(QStringLiteral("SELECT ID_V, \"вариант\" FROM Test1 ORDER BY ID_V"));
        while (rows->next()) {
            ids << int(rows->int64(0));
            right << rows->text(1);
        }
        QCOMPARE(ids.size(), 14);
        const auto wrong = [&](int i, const char *letter) {
            return right.at(i) == QLatin1String(letter) ? QStringLiteral("E") : QString::fromLatin1(letter);
        };
        for (int t = 0; t < 3; ++t)
            r.addAttempt(student, 1, QStringLiteral("graded"),
                         {{ids.at(0), right.at(0)},
                          {ids.at(1), t < 2 ? right.at(1) : wrong(1, "C")},
                          {ids.at(2), t < 2 ? wrong(2, "D") : wrong(2, "A")}});
        r.addAttempt(student, 1, QStringLiteral("running"), {{ids.at(0), wrong(0, "B")}});

        const QList<QuestionFigures> figures = ::difficultQuestions(r.desk, 1);
        QCOMPARE(figures.size(), 14);
        QCOMPARE(figures.constFirst().question, ids.at(2));
        QCOMPARE(figures.constFirst().rightPercent, 0);
        QCOMPARE(figures.constFirst().commonWrong, wrong(2, "D"));
        QCOMPARE(figures.constFirst().tests, 3);
        QVERIFY(figures.at(1).commonWrong.isEmpty()); // never answered
        QCOMPARE(figures.at(12).rightPercent, 67);
        QCOMPARE(figures.at(12).commonWrong, wrong(1, "C"));
        QCOMPARE(figures.constLast().question, ids.at(0));
        QCOMPARE(figures.constLast().rightPercent, 100);
    }

    // Saved with the teacher's rights in one go; refused settings leave the stored ones.
    void settingsSaved()
    {
        Record r;
        saveSettings(r.desk, {35, 85, 70, 40});
        QVERIFY_THROWS_EXCEPTION(DbError, saveSettings(r.desk, {35, 60, 70, 40}));
        const GradeRules after = readSettings(r.desk);
        QCOMPARE(QList<int>({after.minutes, after.fine, after.good, after.bad}), QList<int>({35, 85, 70, 40}));
    }

    // A bank goes out in the course's format and back the same, places and all; an import that
    // fails on the way leaves the bank as it was.
    void bankRoundTripAndFailedImport()
    {
        Record r;
        const QString before = exportBank(r.desk, 1);
        QVERIFY(before.contains(QStringLiteral("@ Glava1.html#")));
        const ParsedBank parsed = parseBank(before, BankFormat::Course);
        QCOMPARE(parsed.questions.size(), 14);
        importBank(r.desk, 1, parsed.questions, true);
        QCOMPARE(exportBank(r.desk, 1), before);
        importBank(r.desk, 1, parsed.questions.mid(0, 2), false);
        const auto count = r.raw.query(QStringLiteral("SELECT count(*) FROM Test1"));
        QVERIFY(count->next());
        QCOMPARE(count->int64(0), 16);

        if (onServer())
            r.raw.execute(QStringLiteral("ALTER TABLE test1 ADD CONSTRAINT refuse CHECK (\"вопрос\" <> 'сбой')"));
        else
            r.raw.execute(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Test1 WHEN NEW.\"вопрос\" = 'сбой' "
                                         "BEGIN SELECT RAISE(ABORT, 'сбой'); END"));
        const QString full = exportBank(r.desk, 1);
        QList<BankQuestion> failing = parsed.questions.mid(0, 3);
        failing[2].text = QStringLiteral("сбой");
        QVERIFY_THROWS_EXCEPTION(DbError, importBank(r.desk, 1, failing, true));
        QCOMPARE(exportBank(r.desk, 1), full);
    }
};

QTEST_GUILESS_MAIN(TestDeskData)
#include "tst_deskdata.moc"
