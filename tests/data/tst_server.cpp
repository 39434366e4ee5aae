// The class-room server as velanika-server init makes it: what the student role may and may not
// do, the data module's operations through the server's functions, and moving a class's record
// between a Data.mdb and the server.

#include "data/AttemptJournal.h"
#include "data/AttemptReview.h"
#include "data/Backend.h"
#include "data/Connection.h"
#include "data/DbError.h"
#include "data/ServerSettings.h"
#include "data/TableCursor.h"
#include "data/Unit8.h"
#include "tests/data/ServerCourse.h"
#include "tests/support/RawSql.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <libpq-fe.h>

namespace {

// The data module of one PC of the class, pointed at the server by a server.conf.
class Pc
{
public:
    explicit Pc(const Course &course)
    {
        QFile conf(m_dir.filePath(QStringLiteral("server.conf")));
        if (conf.open(QIODevice::WriteOnly))
            conf.write(course.student().toUtf8() + '\n');
        conf.close();
        data.connectTo(m_dir.path() + u'/');
    }
    TData data;

    void openChapter(int chapter)
    {
        data.GlavesTab->open();
        QVERIFY(data.GlavesTab->locate(QStringLiteral("Caption"), QStringLiteral("Глава%1").arg(chapter)));
        data.prepareResult();
        data.testTab(chapter)->open();
    }

    // A test of the chapter opened last, begun as the test window begins it.
    Attempt beginTest(int chapter)
    {
        return data.journal().begin(data.studentId(), chapter,
                                    data.GlavesTab->fieldByName(QStringLiteral("ID_Glava")).asInteger(), 0, {});
    }

private:
    QTemporaryDir m_dir;
};

} // namespace

class TestServer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (testServer().isEmpty())
            QSKIP("no test server (VELANIKA_TEST_SERVER)");
    }

    // Connected as the student role: no write reaches a table, and neither passwords nor right
    // answers can be read.
    void studentRoleIsRefused_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("update a grade") << "UPDATE result SET ocenka = 5";
        QTest::newRow("update a stored grade") << "UPDATE velanika_data.result SET ocenka = 5";
        QTest::newRow("insert a grade") << "INSERT INTO result (id_user, id_glava, ocenka) VALUES (1, 1, 5)";
        QTest::newRow("change a password") << "UPDATE users SET \"пароль\" = 'x'";
        QTest::newRow("delete a question") << "DELETE FROM test1";
        QTest::newRow("read passwords") << "SELECT \"пароль\" FROM velanika_data.users";
        QTest::newRow("read right answers") << "SELECT \"вариант\" FROM velanika_data.test1";
        QTest::newRow("read sessions") << "SELECT token FROM velanika_data.sessions";
        QTest::newRow("make a session") << "SELECT velanika_data.open_session(1)";
        QTest::newRow("write a preference") << "INSERT INTO velanika_data.preferences VALUES (1, 'a', 'b')";
        QTest::newRow("note a page") << "INSERT INTO velanika_data.pagevisit (id_user, page) VALUES (1, 'x')";
        // What only the teacher reads and writes.
        QTest::newRow("read the attempts") << "SELECT count(*) FROM velanika_data.attempt";
        QTest::newRow("read the answers") << "SELECT count(*) FROM velanika_data.attemptanswer";
        QTest::newRow("change a setting") << "UPDATE velanika_data.system SET value = '1'";
        QTest::newRow("change a setting's view") << "UPDATE system SET value = '1'";
        QTest::newRow("add a question") << "INSERT INTO velanika_data.test1 (\"вопрос\") VALUES ('x')";
        QTest::newRow("move a question") << "DELETE FROM velanika_data.questionplace";
    }
    void studentRoleIsRefused()
    {
        QFETCH(QString, sql);
        Course course;
        QVERIFY2(course.error().isEmpty(), qPrintable(course.error()));
        Pc pc(course);
        QCOMPARE(pc.data.registerStudent({QStringLiteral("Иванов"), QStringLiteral("пароль"), QStringLiteral("ПО"),
                                          QStringLiteral("1 - Курс"), QStringLiteral("x")}),
                 Registration::Stored);
        pc.openChapter(1);
        const QString message = errorOf([&] { pc.data.Connect->execute(sql); });
        QVERIFY2(!message.isEmpty(), "refused");
        QCOMPARE(course.scalar(QStringLiteral("SELECT sum(ocenka) FROM result")).toInt(), 0);
        QCOMPARE(course.scalar(QStringLiteral("SELECT count(*) FROM users WHERE \"пароль\" LIKE '$2a$%'")).toInt(), 1);
        QCOMPARE(course.scalar(QStringLiteral("SELECT count(*) FROM test1")).toInt(), 14);
        // What the views show instead: empty passwords and right answers.
        const auto hidden = pc.data.Connect->query(
            QStringLiteral("SELECT (SELECT count(*) FROM users WHERE \"пароль\" <> '') + (SELECT count(*) FROM test1 "
                           "WHERE \"вариант\" <> '')"));
        QVERIFY(hidden->next());
        QCOMPARE(hidden->int64(0), 0);
    }

    // Another student's test cannot be answered, finished or ended, with one's own session or a
    // made-up one.
    void forgedCallsAreRefused()
    {
        Course course;
        QVERIFY2(course.error().isEmpty(), qPrintable(course.error()));
        Pc victim(course);
        QCOMPARE(victim.data.registerStudent({QStringLiteral("Жертва"), QStringLiteral("1"), QStringLiteral("ПО"),
                                              QStringLiteral("1 - Курс"), QStringLiteral("x")}),
                 Registration::Stored);
        victim.openChapter(2);
        victim.beginTest(2);
        const qint64 attempt = course.scalar(QStringLiteral("SELECT max(id) FROM attempts")).toLongLong();
        Pc forger(course);
        QCOMPARE(forger.data.registerStudent({QStringLiteral("Подделка"), QStringLiteral("2"), QStringLiteral("ПО"),
                                              QStringLiteral("1 - Курс"), QStringLiteral("x")}),
                 Registration::Stored);
        const QString own = course
                                .scalar(QStringLiteral("SELECT token FROM sessions s JOIN users u ON u.id = "
                                                       "s.user_id WHERE u.\"фамилия\" = 'Подделка'"))
                                .toString();
        for (const QString &token : {own, QStringLiteral("00"), QString()}) {
            for (const QString &call :
                 {QStringLiteral("SELECT * FROM finish(?, ?)"), QStringLiteral("SELECT end_attempt(?, ?)"),
                  QStringLiteral("SELECT answer(?, ?, 1, 'A')")}) {
                const QString message = errorOf([&] { forger.data.Connect->query(call, {token, attempt}); });
                QVERIFY2(message.contains(QStringLiteral("не вами")) || message.contains(QStringLiteral("Сеанс")),
                         qPrintable(call + u' ' + message));
            }
        }
        QCOMPARE(course.scalar(QStringLiteral("SELECT state FROM attempts WHERE id = ?"), {attempt}).toString(),
                 QStringLiteral("running"));
        QCOMPARE(course.scalar(QStringLiteral("SELECT count(*) FROM answers")).toInt(), 0);
        QCOMPARE(course.scalar(QStringLiteral("SELECT sum(ocenka) FROM result")).toInt(), 0);
    }

    // The sign-in window's and the reader's writes, through the server's functions.
    void signInAndPages()
    {
        Course course;
        QVERIFY2(course.error().isEmpty(), qPrintable(course.error()));
        Pc first(course);
        const NewStudent student{QStringLiteral("Петров Пётр"), QStringLiteral("секрет7"), QStringLiteral("ПО-21"),
                                 QStringLiteral("3 - Курс"), QStringLiteral("/opt/velanika/Glaves\\Введение.htm")};
        QCOMPARE(first.data.registerStudent(student), Registration::Stored);
        QCOMPARE(first.data.UserTab->field(1).asString(), student.name);
        QCOMPARE(first.data.registerStudent(student), Registration::NameTaken);
        // Stored as its first 6 characters, and kept only as a salted hash.
        QVERIFY(course.scalar(QStringLiteral("SELECT \"пароль\" FROM users"))
                    .toString()
                    .startsWith(QStringLiteral("$2a$")));

        Pc second(course);
        QString stored = QStringLiteral("untouched");
        QCOMPARE(second.data.signIn(student.name, QStringLiteral("секрет7"), &stored), SignInOutcome::WrongPassword);
        QCOMPARE(second.data.signIn(student.name, QStringLiteral("секрет"), &stored), SignInOutcome::SignedIn);
        QCOMPARE(stored, QStringLiteral("untouched"));
        QCOMPARE(second.data.signIn(QStringLiteral("Петров"), QStringLiteral("секрет")), SignInOutcome::NotRegistered);
        QCOMPARE(second.data.UserTab->field(5).asString(), student.page);

        second.data.storePage(QStringLiteral("Glaves\\Glava3.htm"), QStringLiteral("Glaves\\Glava3.htm"));
        second.data.storePage(QStringLiteral("Glaves\\Glava3.htm"), QStringLiteral("Glaves\\Glava3.htm"));
        second.data.storePage(QStringLiteral("Glaves\\Glava3.htm"));
        QCOMPARE(course.scalar(QStringLiteral("SELECT \"путь\" FROM users")).toString(),
                 QStringLiteral("Glaves\\Glava3.htm"));
        QCOMPARE(course.scalar(QStringLiteral("SELECT string_agg(page, ',') FROM pagevisit")).toString(),
                 QStringLiteral("Glaves\\Glava3.htm"));
        // The review's links to the chapter: the places of the course's questions.
        const auto places = second.data.Connect->query(
            QStringLiteral("SELECT count(*) FROM QuestionPlace WHERE lower(TestTable) = lower(?)"),
            {QStringLiteral("Test1")});
        QVERIFY(places->next());
        QCOMPARE(places->int64(0), 14);
        second.openChapter(3);
        second.openChapter(3);
        first.openChapter(3);
        QCOMPARE(course.scalar(QStringLiteral("SELECT count(*) FROM result")).toInt(), 1);
        QCOMPARE(second.data.ResultTab->fieldByName(QStringLiteral("Ocenka")).asInteger(), 0);

        // The student's reading preferences follow the student to another PC.
        second.data.storePreference(QStringLiteral("PageZoom"), QStringLiteral("125"));
        second.data.storePreference(QStringLiteral("PageZoom"), QStringLiteral("150"));
        QCOMPARE(first.data.preference(QStringLiteral("PageZoom")), QStringLiteral("150"));
    }

    // The server judges each answer, counts the time and stores the grade from its own settings;
    // finishing again stores nothing new; an answer after the time is refused.
    void testGradedByTheServer()
    {
        Course course;
        QVERIFY2(course.error().isEmpty(), qPrintable(course.error()));
        course.exec(QStringLiteral("UPDATE system SET value = '60' WHERE name = 'FinePercent'"));
        Pc pc(course);
        QCOMPARE(pc.data.registerStudent({QStringLiteral("Сидоров"), QString(), QStringLiteral("ПО"),
                                          QStringLiteral("1 - Курс"), QStringLiteral("x")}),
                 Registration::Stored);
        pc.openChapter(4);
        const Attempt test = pc.beginTest(4);
        QCOMPARE(test.rules.minutes, 20);
        AttemptJournal &journal = pc.data.journal();
        TableCursor *questions = pc.data.Test4Tab;
        int right = 0;
        int asked = 0;
        for (questions->first(); !questions->eof() && asked < 10; questions->next(), ++asked) {
            const QString letter = course
                                       .scalar(QStringLiteral("SELECT \"вариант\" FROM test4 WHERE id_v = ?"),
                                               {questions->field(0).asInteger()})
                                       .toString();
            // Every other answer right; the first answer is sent twice, as after a lost reply.
            const QString chosen =
                asked % 2 == 0 ? letter : (letter == u"A" ? QStringLiteral("B") : QStringLiteral("A"));
            const int question = questions->field(0).asInteger();
            const bool verdict = journal.recordAnswer(test.id, question, chosen, 0);
            QCOMPARE(verdict, asked % 2 == 0);
            if (asked == 0)
                QCOMPARE(journal.recordAnswer(test.id, question, QStringLiteral("E"), 0), verdict);
            right += verdict ? 1 : 0;
        }
        const int total = questions->recordCount();
        const int grade = journal.finish(test.id);
        QCOMPARE(course.scalar(QStringLiteral("SELECT count(*) FROM answers WHERE is_right")).toInt(), right);
        QCOMPARE(course.scalar(QStringLiteral("SELECT questions FROM attempts WHERE id = ?"), {test.id}).toInt(),
                 total);
        const int percent = (right * 100 + total / 2) / total;
        QCOMPARE(grade, percent >= 60 ? 5 : percent >= 75 ? 4 : percent >= 50 ? 3 : 2);
        QCOMPARE(course.scalar(QStringLiteral("SELECT ocenka FROM result")).toInt(), grade);
        const int used =
            course.scalar(QStringLiteral("SELECT seconds_used FROM attempts WHERE id = ?"), {test.id}).toInt();
        QVERIFY(used >= 0 && used < 60);

        // The same finish again, as a retry after a lost reply.
        const qint64 attempt = course.scalar(QStringLiteral("SELECT max(id) FROM attempts")).toLongLong();
        const auto again =
            pc.data.Connect->query(QStringLiteral("SELECT grade FROM finish(?, ?)"),
                                   {course.scalar(QStringLiteral("SELECT token FROM sessions")), attempt});
        QVERIFY(again->next());
        QCOMPARE(int(again->int64(0)), grade);
        QCOMPARE(course.scalar(QStringLiteral("SELECT count(*) FROM result")).toInt(), 1);

        // The review: the student's own answers and verdicts; a right letter only where the student
        // gave it, as the server never hands out its key. Another student sees nothing of it.
        const std::optional<Attempt> last = journal.lastGraded(0, 4);
        QVERIFY(last && last->id == test.id && last->grade == grade && last->state == AttemptState::Graded);
        const QList<ReviewLine> lines = attemptReview(journal, *pc.data.Connect, test.id);
        QCOMPARE(lines.size(), total);
        int shownRight = 0;
        for (const ReviewLine &line : lines) {
            QCOMPARE(line.right, line.isRight ? line.chosen : QString());
            shownRight += line.isRight ? 1 : 0;
        }
        QCOMPARE(shownRight, right);
        Pc other(course);
        QCOMPARE(other.data.registerStudent({QStringLiteral("Петров"), QString(), QStringLiteral("ПО"),
                                             QStringLiteral("1 - Курс"), QStringLiteral("x")}),
                 Registration::Stored);
        QVERIFY(!other.data.journal().attempt(test.id));
        QVERIFY(other.data.journal().answers(test.id).isEmpty());

        // A second test whose time ran out: answers are refused, the grade counts what came in time.
        const Attempt late = pc.beginTest(4);
        course.exec(
            QStringLiteral("UPDATE attempts SET started = started - interval '21 minutes' WHERE state = 'running'"));
        questions->first();
        const QString message =
            errorOf([&] { journal.recordAnswer(late.id, questions->field(0).asInteger(), QStringLiteral("A"), 0); });
        QVERIFY2(message.contains(QStringLiteral("Время теста истекло")), qPrintable(message));
        QCOMPARE(journal.finish(late.id), 2);
        QCOMPARE(course.scalar(QStringLiteral("SELECT count(*) FROM answers WHERE attempt_id = ?"), {late.id}).toInt(),
                 0);
        QCOMPARE(course.scalar(QStringLiteral("SELECT seconds_used FROM attempts WHERE id = ?"), {late.id}).toInt(),
                 20 * 60);
    }

    // The desk signs in as the teacher's role with the teacher's password and reads the stored
    // tables; a wrong password is refused as such, not as a broken setting.
    void teacherSignsIn()
    {
        Course course;
        QVERIFY2(course.error().isEmpty(), qPrintable(course.error()));
        Connection desk;
        desk.setExpectedSchemaVersion(serverSchemaVersion);
        desk.setServer(teacherConnectionString(course.student(), QStringLiteral("не тот")));
        try {
            desk.open();
            QFAIL("a wrong password opened the desk");
        } catch (const DbError &e) {
            QVERIFY(e.isLoginRefused());
        }
        desk.setServer(teacherConnectionString(course.student(), Course::teacherPassword()));
        const auto rows = desk.query(QStringLiteral("SELECT count(*) FROM Test1 WHERE \"вариант\" <> ''"));
        QVERIFY(rows->next());
        QCOMPARE(rows->int64(0), 14);
        QVERIFY(!errorOf([&] { desk.query(QStringLiteral("SELECT token FROM velanika_data.sessions")); }).isEmpty());
    }

    // Data.mdb -> server -> Data.mdb keeps every row but the passwords, Cyrillic, quotes and empty
    // cells included; server -> Data.mdb -> server keeps the passwords too.
    void recordRoundTrip()
    {
        QTemporaryDir dir;
        const QString original = dir.filePath(QStringLiteral("Data.mdb"));
        QVERIFY(QFile::copy(textbookDir() + QStringLiteral("/Data.mdb"), original));
        QFile::setPermissions(original, QFile::ReadOwner | QFile::WriteOwner);
        rawsql::exec(
            original,
            QStringLiteral("INSERT INTO Users (\"фамилия\", \"пароль\", \"специальность\", \"курс\", \"путь\") "
                           "VALUES ('Ёлкина \"Анна\" O''Нил', 'ёж1', 'ПО; 21, вечер', '2 - Курс', NULL), "
                           "('Без пароля', NULL, '', '1 - Курс', 'Glaves\\Glava2.htm');"
                           "INSERT INTO Result (ID_User, ID_glava, Ocenka) VALUES (1, 3, 4), (2, 1, 0), (2, 3, 5);"
                           "UPDATE Test2 SET \"вопрос\" = 'Что такое «ведение»? 100% & <b>' WHERE ID_V = 2;"
                           "INSERT INTO PageVisit (ID_User, Page) VALUES (1, 'Glaves\\Glava1.html');"));
        Course course;
        QVERIFY2(course.error().isEmpty(), qPrintable(course.error()));
        QCOMPARE(runTool({QStringLiteral("--server"), course.admin(), QStringLiteral("import"), original}), QString());
        const QString exported = dir.filePath(QStringLiteral("Export.mdb"));
        QCOMPARE(runTool({QStringLiteral("--server"), course.admin(), QStringLiteral("export"), exported}), QString());

        const QStringList tables = {
            QStringLiteral("Users"),    QStringLiteral("System"),  QStringLiteral("Glaves"),
            QStringLiteral("Result"),   QStringLiteral("Test1"),   QStringLiteral("Test2"),
            QStringLiteral("Test3"),    QStringLiteral("Test4"),   QStringLiteral("Test5"),
            QStringLiteral("Test6"),    QStringLiteral("present"), QStringLiteral("QuestionPlace"),
            QStringLiteral("PageVisit")};
        // Every row, as one text per table (NULL told apart from empty), the password column aside.
        const auto dump = [](const QString &file, const QString &table) {
            QString columns = QStringLiteral("*");
            if (table == u"Users")
                columns = QStringLiteral("ID, \"фамилия\", \"специальность\", \"курс\", \"путь\"");
            return rawsql::scalar(file, QStringLiteral("SELECT group_concat(quote(r), '|') FROM (SELECT json_array(%1) "
                                                       "AS r FROM \"%2\" ORDER BY rowid)")
                                            .arg(columns, table));
        };
        for (const QString &table : tables)
            QCOMPARE(dump(exported, table), dump(original, table));
        QCOMPARE(
            rawsql::scalar(exported, QStringLiteral("SELECT count(*) FROM Users WHERE length(\"пароль\") > 6")).toInt(),
            2);

        // Back to a server: the passwords work as before.
        Course second;
        QVERIFY2(second.error().isEmpty(), qPrintable(second.error()));
        QCOMPARE(runTool({QStringLiteral("--server"), second.admin(), QStringLiteral("import"), exported}), QString());
        Pc pc(second);
        QCOMPARE(pc.data.signIn(QStringLiteral("Ёлкина \"Анна\" O'Нил"), QStringLiteral("ёж1")),
                 SignInOutcome::SignedIn);
        QCOMPARE(pc.data.signIn(QStringLiteral("Без пароля"), QString()), SignInOutcome::SignedIn);
        // A server with students is not overwritten unless asked.
        QVERIFY(!runTool({QStringLiteral("--server"), second.admin(), QStringLiteral("import"), original}).isEmpty());
        QCOMPARE(runTool({QStringLiteral("--server"), second.admin(), QStringLiteral("import"),
                          QStringLiteral("--replace"), original}),
                 QString());
        QCOMPARE(second.scalar(QStringLiteral("SELECT count(*) FROM result")).toInt(), 3);
    }
};

QTEST_GUILESS_MAIN(TestServer)
#include "tst_server.moc"
