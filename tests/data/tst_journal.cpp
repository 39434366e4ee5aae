// The attempt journal in a Data.mdb file: what it keeps, how it grades, and how an older file
// gets its tables.

#include "data/Connection.h"
#include "data/DbError.h"
#include "data/SqliteJournal.h"
#include "data/Unit8.h"
#include "tests/data/DataFixture.h"

#include <QRandomGenerator>
#include <QTest>

#include <functional>

namespace {

constexpr int chapter = 3;

// A student, chapter 3 with its Result row, and its questions with these right letters.
struct Course
{
    DataFixture db;
    int student = 0;
    int chapterId = 0;

    explicit Course(const QStringList &letters = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")})
    {
        db.exec(QStringLiteral("INSERT INTO Users (\"фамилия\") VALUES ('Иванов');"
                               "INSERT INTO Glaves (Caption) VALUES ('Глава1'), ('Глава2'), ('Глава3');"));
        student = db.scalar(QStringLiteral("SELECT max(ID) FROM Users")).toInt();
        chapterId = db.scalar(QStringLiteral("SELECT ID_Glava FROM Glaves WHERE Caption = 'Глава3'")).toInt();
        db.exec(QStringLiteral("INSERT INTO Result (ID_User, ID_glava, Ocenka) VALUES (%1, %2, 0)")
                    .arg(student)
                    .arg(chapterId));
        setQuestions(letters);
    }

    void setQuestions(const QStringList &letters) const
    {
        db.exec(QStringLiteral("DELETE FROM Test3"));
        for (const QString &letter : letters)
            rawsql::scalar(db.file(),
                           QStringLiteral("INSERT INTO Test3 (\"вопрос\", \"вариант\") VALUES ('Вопрос', ?)"),
                           {letter});
    }

    QList<int> questionIds() const
    {
        QList<int> ids;
        const int count = db.scalar(QStringLiteral("SELECT count(*) FROM Test3")).toInt();
        for (int i = 0; i < count; ++i)
            ids << db.scalar(QStringLiteral("SELECT ID_V FROM Test3 ORDER BY ID_V LIMIT 1 OFFSET %1").arg(i)).toInt();
        return ids;
    }

    QVariant storedGrade() const
    {
        return db.scalar(QStringLiteral("SELECT Ocenka FROM Result WHERE ID_User = %1 AND ID_glava = %2")
                             .arg(student)
                             .arg(chapterId));
    }
};

const GradeRules rules{20, 90, 75, 50};

// Every row of a table, each value quoted, in rowid order.
QString rowsOf(const QString &file, const QString &table)
{
    const QString columns =
        rawsql::scalar(file, QStringLiteral("SELECT group_concat('quote(\"' || name || '\")', ' || '','' || ') FROM "
                                            "pragma_table_info('%1')")
                                 .arg(table))
            .toString();
    return rawsql::scalar(file,
                          QStringLiteral("SELECT group_concat(%1, ';') FROM (SELECT * FROM \"%2\" ORDER BY rowid)")
                              .arg(columns, table))
        .toString();
}

// The tables, columns and indexes of a file, and every row of the tables not listed in skipped.
QStringList contents(const QString &file, const QStringList &skipped = {})
{
    QStringList lines;
    const QStringList tables =
        rawsql::scalar(file, QStringLiteral("SELECT group_concat(name, '|') FROM (SELECT name FROM sqlite_master WHERE "
                                            "type = 'table' AND name NOT LIKE 'sqlite%' ORDER BY name)"))
            .toString()
            .split(u'|');
    for (const QString &table : tables) {
        if (skipped.contains(table))
            continue;
        lines << table
              << rawsql::scalar(file,
                                QStringLiteral("SELECT group_concat(name || ' ' || type || ' ' || \"notnull\" || ' "
                                               "' || coalesce(dflt_value, '') || ' ' || pk, ', ') FROM "
                                               "pragma_table_info('%1')")
                                    .arg(table))
                     .toString()
              << rawsql::scalar(file,
                                QStringLiteral("SELECT group_concat(il.name || ':' || il.\"unique\" || ':' || "
                                               "(SELECT group_concat(name) FROM pragma_index_info(il.name)), ', ') "
                                               "FROM pragma_index_list('%1') il")
                                    .arg(table))
                     .toString()
              << rowsOf(file, table);
    }
    return lines;
}

const QStringList journalTables{QStringLiteral("Attempt"), QStringLiteral("AttemptAnswer"),
                                QStringLiteral("QuestionPlace")};

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Random answer sequences with retries and time-outs: the journal holds exactly the answers
    // given, each judged right, and the grade recomputed from them is the one stored, once.
    void randomSequences()
    {
        Course course;
        Connection connection;
        connection.setDatabaseFile(course.db.file());
        SqliteJournal journal(connection);
        const QString letters = QStringLiteral("ABCDE");
        for (quint32 seed = 1; seed <= 60; ++seed) {
            QRandomGenerator rng(seed);
            QStringList key;
            const int questions = rng.bounded(1, 13);
            for (int i = 0; i < questions; ++i)
                key << QString(letters.at(rng.bounded(5)));
            course.setQuestions(key);
            const QList<int> ids = course.questionIds();
            const GradeRules seedRules{1 + rng.bounded(30), rng.bounded(101), rng.bounded(101), rng.bounded(101)};
            if (rng.bounded(4) == 0) // a Result row another program deleted is made again
                course.db.exec(QStringLiteral("DELETE FROM Result"));

            const Attempt attempt = journal.begin(course.student, chapter, course.chapterId, questions, seedRules);
            QList<RecordedAnswer> given;
            const int answered = rng.bounded(questions + 1); // fewer than all: the time ran out
            for (int i = 0; i < answered; ++i) {
                const QString letter(letters.at(rng.bounded(5)));
                QCOMPARE(journal.recordAnswer(attempt.id, ids[i], letter, 600 - i), letter == key[i]);
                given.append({ids[i], letter, letter == key[i]});
                if (rng.bounded(3) == 0) { // the same answer sent again, or another letter for it
                    const QString again(letters.at(rng.bounded(5)));
                    QCOMPARE(journal.recordAnswer(attempt.id, ids[i], again, 600 - i), letter == key[i]);
                }
                if (rng.bounded(2) == 0)
                    journal.noteTimeLeft(attempt.id, 590 - i);
            }

            const QList<RecordedAnswer> recorded = journal.answers(attempt.id);
            QCOMPARE(recorded.size(), given.size());
            int right = 0;
            for (qsizetype i = 0; i < given.size(); ++i) {
                QCOMPARE(recorded[i].question, given[i].question);
                QCOMPARE(recorded[i].letter, given[i].letter);
                QCOMPARE(recorded[i].right, given[i].right);
                right += recorded[i].right ? 1 : 0;
            }
            const int grade = journal.finish(attempt.id);
            QCOMPARE(grade, gradeOf(right, questions, seedRules));
            QCOMPARE(course.storedGrade().toInt(), grade);
            QCOMPARE(course.db.scalar(QStringLiteral("SELECT count(*) FROM Result")).toInt(), 1);
            QCOMPARE(journal.attempt(attempt.id)->grade, grade);

            // Finished again (a retry after a lost reply): the same grade, nothing stored.
            course.db.exec(QStringLiteral("UPDATE Result SET Ocenka = 0"));
            QCOMPARE(journal.finish(attempt.id), grade);
            QCOMPARE(course.storedGrade().toInt(), 0);
            QCOMPARE(journal.lastGraded(course.student, chapter)->id, attempt.id);
        }
    }

    // What an attempt that has ended accepts.
    void endedAttempts_data()
    {
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("then");
        QTest::addColumn<QString>("refusal"); // empty: accepted
        QTest::addColumn<QString>("state");
        QTest::newRow("answer after the grade") << "finish"
                                                << "answer"
                                                << "Тест уже завершён"
                                                << "graded";
        QTest::newRow("answer after the end") << "end"
                                              << "answer"
                                              << "Тест уже завершён"
                                              << "ended";
        QTest::newRow("grade after the end") << "end"
                                             << "finish"
                                             << "прерван без оценки"
                                             << "ended";
        QTest::newRow("end after the grade") << "finish"
                                             << "end"
                                             << ""
                                             << "graded";
        QTest::newRow("time after the end") << "end"
                                            << "time"
                                            << ""
                                            << "ended";
    }
    void endedAttempts()
    {
        QFETCH(QString, end);
        QFETCH(QString, then);
        QFETCH(QString, refusal);
        QFETCH(QString, state);
        Course course;
        Connection connection;
        connection.setDatabaseFile(course.db.file());
        SqliteJournal journal(connection);
        const Attempt attempt = journal.begin(course.student, chapter, course.chapterId, 3, rules);
        const int first = course.questionIds().first();
        journal.recordAnswer(attempt.id, first, QStringLiteral("A"), 100);
        if (end == u"finish")
            journal.finish(attempt.id);
        else
            journal.endWithoutGrade(attempt.id);
        const QStringList before = contents(course.db.file());

        const std::function<void()> act = [&] {
            if (then == u"answer")
                journal.recordAnswer(attempt.id, course.questionIds().last(), QStringLiteral("C"), 50);
            else if (then == u"finish")
                journal.finish(attempt.id);
            else if (then == u"end")
                journal.endWithoutGrade(attempt.id);
            else
                journal.noteTimeLeft(attempt.id, 50);
        };
        try {
            act();
            QVERIFY2(refusal.isEmpty(), "accepted");
        } catch (const DbError &e) {
            QVERIFY2(!refusal.isEmpty() && e.message().contains(refusal), qPrintable(e.message()));
        }
        QCOMPARE(contents(course.db.file()), before);
        QCOMPARE(course.db.scalar(QStringLiteral("SELECT State FROM Attempt")).toString(), state);
        QCOMPARE(journal.findUnfinished(course.student).has_value(), false);
    }

    // A file made before the journal gets its tables when the data module connects, as a new file
    // has them, and nothing else in it changes; a second connection changes nothing.
    void olderFileGetsTheTables()
    {
        Course course;
        DataFixture fresh;
        course.db.exec(QStringLiteral("DROP TABLE Attempt; DROP TABLE AttemptAnswer; DROP TABLE QuestionPlace"));
        const QStringList before = contents(course.db.file());
        {
            TData data;
            data.connectTo(course.db.folder());
        }
        QCOMPARE(contents(course.db.file(), journalTables), before);
        QStringList made;
        QStringList expected;
        for (const QString &table : journalTables) {
            made << contents(course.db.file()).mid(contents(course.db.file()).indexOf(table), 3);
            expected << contents(fresh.file()).mid(contents(fresh.file()).indexOf(table), 3);
        }
        QCOMPARE(made, expected);

        const QStringList upgraded = contents(course.db.file());
        TData again;
        again.connectTo(course.db.folder());
        QCOMPARE(contents(course.db.file()), upgraded);
    }

    // All or nothing: a file that refuses one of the tables gets none, and the test launch can
    // ask again.
    void upgradeIsOneTransaction()
    {
        Course course;
        course.db.exec(QStringLiteral("DROP TABLE Attempt; DROP TABLE AttemptAnswer; DROP TABLE QuestionPlace;"
                                      "CREATE INDEX Attempt_user ON Users (ID)"));
        Connection connection;
        connection.setDatabaseFile(course.db.file());
        QVERIFY_THROWS_EXCEPTION(DbError, addAttemptTables(connection));
        for (const QString &table : journalTables)
            QCOMPARE(course.db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = '%1'").arg(table))
                         .toInt(),
                     0);
        course.db.exec(QStringLiteral("DROP INDEX Attempt_user"));
        addAttemptTables(connection);
        QCOMPARE(
            course.db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'AttemptAnswer'")).toInt(),
            1);
    }
};

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
