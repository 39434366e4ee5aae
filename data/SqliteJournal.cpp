#include "data/SqliteJournal.h"

#include "data/Backend.h"
#include "data/Connection.h"
#include "data/DbError.h"
#include "data/SqlName.h"

#include <QDateTime>
#include <QVariantList>

namespace {

// The journal's tables as a new Data.mdb has them (content/schema.sql); a file made before they
// existed gets them in these words.
const char *const journalTables[][2] = {
    {"Attempt", "CREATE TABLE Attempt (\n"
                "    ID_Attempt  INTEGER PRIMARY KEY AUTOINCREMENT,\n"
                "    ID_User     INTEGER NOT NULL,\n"
                "    ID_glava    INTEGER NOT NULL,\n"
                "    Chapter     INTEGER NOT NULL,\n"
                "    Questions   INTEGER NOT NULL,\n"
                "    Minutes     INTEGER NOT NULL,\n"
                "    FinePercent INTEGER NOT NULL,\n"
                "    GoodPercent INTEGER NOT NULL,\n"
                "    BadPercent  INTEGER NOT NULL,\n"
                "    Started     TEXT(20) NOT NULL,\n"
                "    SecondsLeft INTEGER NOT NULL,\n"
                "    State       TEXT(10) NOT NULL DEFAULT 'running',\n"
                "    Ended       TEXT(20),\n"
                "    Grade       INTEGER\n"
                ")"},
    {"AttemptAnswer", "CREATE TABLE AttemptAnswer (\n"
                      "    ID_Attempt INTEGER NOT NULL,\n"
                      "    ID_V       INTEGER NOT NULL,\n"
                      "    Letter     TEXT(2) NOT NULL,\n"
                      "    IsRight    INTEGER NOT NULL,\n"
                      "    Answered   TEXT(20) NOT NULL,\n"
                      "    UNIQUE (ID_Attempt, ID_V)\n"
                      ")"},
    {"QuestionPlace", "CREATE TABLE QuestionPlace (\n"
                      "    TestTable TEXT(20) NOT NULL,\n"
                      "    ID_V      INTEGER NOT NULL,\n"
                      "    Page      TEXT(255) NOT NULL,\n"
                      "    Anchor    TEXT(255),\n"
                      "    UNIQUE (TestTable, ID_V)\n"
                      ")"},
    {"PageVisit", "CREATE TABLE PageVisit (\n"
                  "    ID_User INTEGER NOT NULL,\n"
                  "    Page    TEXT(255) NOT NULL,\n"
                  "    UNIQUE (ID_User, Page)\n"
                  ")"},
};
const char *const journalIndexes[][2] = {
    {"Attempt", "CREATE INDEX Attempt_user ON Attempt (ID_User, Chapter)"},
};

const QString stateRunning = QStringLiteral("running");
const QString stateGraded = QStringLiteral("graded");
const QString stateEnded = QStringLiteral("ended");

QString now()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
}

bool hasTable(Connection &connection, const QString &table)
{
    return connection
        .query(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE"), {table})
        ->next();
}

const QString attemptColumns =
    QStringLiteral("ID_Attempt, ID_User, Chapter, ID_glava, Questions, Minutes, FinePercent, GoodPercent, "
                   "BadPercent, SecondsLeft, State, Grade");

Attempt attemptFrom(const ResultRows &st)
{
    Attempt a;
    a.id = st.int64(0);
    a.student = int(st.int64(1));
    a.chapter = int(st.int64(2));
    a.chapterId = int(st.int64(3));
    a.questions = int(st.int64(4));
    a.rules = {int(st.int64(5)), int(st.int64(6)), int(st.int64(7)), int(st.int64(8))};
    a.secondsLeft = int(st.int64(9));
    const QString state = st.text(10);
    a.state = state == stateGraded    ? AttemptState::Graded
              : state == stateRunning ? AttemptState::Running
                                      : AttemptState::Ended;
    a.grade = int(st.int64(11));
    return a;
}

DbError notFound()
{
    return DbError(QStringLiteral("Тест не найден в базе данных: его запись удалила другая программа."));
}

} // namespace

void addAttemptTables(Connection &connection)
{
    // A server's course database keeps attempts in tables and functions of its own.
    if (connection.isServer())
        return;
    const auto missing = [&] {
        QStringList names;
        for (const auto &table : journalTables) {
            if (!hasTable(connection, QString::fromLatin1(table[0])))
                names << QString::fromLatin1(table[0]);
        }
        return names;
    };
    if (missing().isEmpty())
        return;
    connection.inTransaction([&] {
        // Asked again inside: another copy of the program may have added them meanwhile.
        const QStringList names = missing();
        for (const auto &table : journalTables) {
            if (names.contains(QString::fromLatin1(table[0])))
                connection.execute(QString::fromLatin1(table[1]));
        }
        for (const auto &index : journalIndexes) {
            if (names.contains(QString::fromLatin1(index[0])))
                connection.execute(QString::fromLatin1(index[1]));
        }
    });
}

QStringList questionColumns(Connection &connection, int chapter)
{
    const QString table = QStringLiteral("Test%1").arg(chapter);
    QStringList names;
    for (const TableColumn &column : connection.backend().columns(table))
        names << column.name;
    if (names.size() < 8)
        throw DbError(QStringLiteral("В таблице «%1» меньше восьми полей: вопрос, пять ответов и правильный ответ "
                                     "прочитать нельзя.")
                          .arg(table));
    return names.mid(0, 8);
}

std::optional<Attempt> SqliteJournal::readOne(const QString &where, const QVariantList &values)
{
    const auto rows =
        m_connection.query(QStringLiteral("SELECT ") + attemptColumns + QStringLiteral(" FROM Attempt WHERE ") + where +
                               QStringLiteral(" ORDER BY ID_Attempt DESC LIMIT 1"),
                           values);
    if (!rows->next())
        return std::nullopt;
    return attemptFrom(*rows);
}

Attempt SqliteJournal::runningAttempt(qint64 id)
{
    const std::optional<Attempt> found = attempt(id);
    if (!found)
        throw notFound();
    if (found->state != AttemptState::Running)
        throw DbError(QStringLiteral("Тест уже завершён: ответ не принят."));
    return *found;
}

Attempt SqliteJournal::begin(int student, int chapter, int chapterId, int questions, const GradeRules &rules)
{
    Attempt a;
    a.student = student;
    a.chapter = chapter;
    a.chapterId = chapterId;
    a.questions = questions;
    a.rules = rules;
    a.secondsLeft = rules.minutes * 60;
    m_connection.inTransaction([&] {
        a.id = m_connection.backend().insert(
            QStringLiteral("INSERT INTO Attempt (ID_User, ID_glava, Chapter, Questions, Minutes, FinePercent, "
                           "GoodPercent, BadPercent, Started, SecondsLeft, State) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {student, chapterId, chapter, questions, rules.minutes, rules.fine, rules.good, rules.bad, now(),
             a.secondsLeft, stateRunning},
            QStringLiteral("ID_Attempt"));
    });
    return a;
}

bool SqliteJournal::recordAnswer(qint64 attempt, int question, const QString &letter, int secondsLeft)
{
    bool right = false;
    m_connection.inTransaction([&] {
        const Attempt a = runningAttempt(attempt);
        m_connection.execute(QStringLiteral("UPDATE Attempt SET SecondsLeft = ? WHERE ID_Attempt = ?"),
                             {secondsLeft, attempt});
        if (const auto given = m_connection.query(
                QStringLiteral("SELECT IsRight FROM AttemptAnswer WHERE ID_Attempt = ? AND ID_V = ?"),
                {attempt, question});
            given->next()) {
            right = given->int64(0) != 0;
            return;
        }
        const QStringList columns = questionColumns(m_connection, a.chapter);
        const auto key = m_connection.query(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                                                .arg(sql::quotedName(columns.at(7)),
                                                     sql::quotedName(QStringLiteral("Test%1").arg(a.chapter)),
                                                     sql::quotedName(columns.at(0))),
                                            {question});
        if (!key->next())
            throw DbError(QStringLiteral("В тесте этой главы нет вопроса %1.").arg(question));
        // Exact text: a lower-case letter, a blank or a Cyrillic look-alike is a wrong answer.
        right = !key->isNull(0) && key->text(0) == letter;
        m_connection.execute(QStringLiteral("INSERT INTO AttemptAnswer (ID_Attempt, ID_V, Letter, IsRight, Answered) "
                                            "VALUES (?, ?, ?, ?, ?)"),
                             {attempt, question, letter, right ? 1 : 0, now()});
    });
    return right;
}

void SqliteJournal::noteTimeLeft(qint64 attempt, int secondsLeft)
{
    m_connection.inTransaction([&] {
        m_connection.execute(
            QStringLiteral("UPDATE Attempt SET SecondsLeft = ? WHERE ID_Attempt = ? AND State = 'running'"),
            {secondsLeft, attempt});
    });
}

int SqliteJournal::finish(qint64 attempt)
{
    int grade = 0;
    m_connection.inTransaction([&] {
        const std::optional<Attempt> a = this->attempt(attempt);
        if (!a)
            throw notFound();
        if (a->state == AttemptState::Graded) {
            grade = a->grade;
            return;
        }
        if (a->state == AttemptState::Ended)
            throw DbError(QStringLiteral("Этот тест прерван без оценки."));
        const auto counted = m_connection.query(
            QStringLiteral("SELECT count(*) FROM AttemptAnswer WHERE ID_Attempt = ? AND IsRight <> 0"), {attempt});
        counted->next();
        const int right = int(counted->int64(0));
        grade = gradeOf(right, a->questions, a->rules);
        m_connection.execute(QStringLiteral("UPDATE Attempt SET State = ?, Grade = ?, Ended = ? WHERE ID_Attempt = ?"),
                             {stateGraded, grade, now(), attempt});
        // The row the reader made when the chapter was opened, the first if there are several. One
        // deleted meanwhile is made again: the grade is not lost.
        const auto found =
            m_connection.query(QStringLiteral("SELECT min(ID_Result) FROM Result WHERE ID_User = ? AND ID_glava = ?"),
                               {a->student, a->chapterId});
        found->next();
        const QVariant row = found->value(0);
        if (row.isNull())
            m_connection.execute(QStringLiteral("INSERT INTO Result (ID_User, ID_glava, Ocenka) VALUES (?, ?, ?)"),
                                 {a->student, a->chapterId, grade});
        else
            m_connection.execute(QStringLiteral("UPDATE Result SET Ocenka = ? WHERE ID_Result = ?"), {grade, row});
    });
    return grade;
}

void SqliteJournal::endWithoutGrade(qint64 attempt)
{
    m_connection.inTransaction([&] {
        m_connection.execute(
            QStringLiteral("UPDATE Attempt SET State = ?, Ended = ? WHERE ID_Attempt = ? AND State = 'running'"),
            {stateEnded, now(), attempt});
    });
}

std::optional<Attempt> SqliteJournal::findUnfinished(int student)
{
    return readOne(QStringLiteral("ID_User = ? AND State = 'running'"), {student});
}

std::optional<Attempt> SqliteJournal::lastGraded(int student, int chapter)
{
    return readOne(QStringLiteral("ID_User = ? AND Chapter = ? AND State = 'graded'"), {student, chapter});
}

std::optional<Attempt> SqliteJournal::attempt(qint64 id)
{
    return readOne(QStringLiteral("ID_Attempt = ?"), {id});
}

QList<RecordedAnswer> SqliteJournal::answers(qint64 attempt)
{
    const auto rows = m_connection.query(
        QStringLiteral("SELECT ID_V, Letter, IsRight FROM AttemptAnswer WHERE ID_Attempt = ? ORDER BY rowid"),
        {attempt});
    QList<RecordedAnswer> list;
    while (rows->next())
        list.append({int(rows->int64(0)), rows->text(1), rows->int64(2) != 0});
    return list;
}

QHash<int, QString> SqliteJournal::answerKey(qint64 attempt)
{
    const std::optional<Attempt> a = this->attempt(attempt);
    if (!a)
        throw notFound();
    if (a->state != AttemptState::Graded)
        throw DbError(QStringLiteral("Правильные ответы показываются только после завершённого теста."));
    const QStringList columns = questionColumns(m_connection, a->chapter);
    const auto rows = m_connection.query(QStringLiteral("SELECT %1, %2 FROM %3")
                                             .arg(sql::quotedName(columns.at(0)), sql::quotedName(columns.at(7)),
                                                  sql::quotedName(QStringLiteral("Test%1").arg(a->chapter))));
    QHash<int, QString> key;
    while (rows->next())
        key.insert(int(rows->int64(0)), rows->text(1));
    return key;
}
