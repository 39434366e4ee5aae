#include "data/ServerJournal.h"

#include "data/Backend.h"
#include "data/Connection.h"
#include "data/DbError.h"

Attempt ServerJournal::begin(int student, int chapter, int chapterId, int, const GradeRules &rules)
{
    const auto rows =
        m_connection.query(QStringLiteral("SELECT attempt, minutes, questions FROM begin_attempt(?, ?, ?)"),
                           {m_session, chapter, chapterId});
    rows->next();
    Attempt a;
    a.id = rows->int64(0);
    a.student = student;
    a.chapter = chapter;
    a.chapterId = chapterId;
    a.questions = int(rows->int64(2));
    // The server's own limit and thresholds hold; the limit is what the window counts down.
    a.rules = rules;
    a.rules.minutes = int(rows->int64(1));
    a.secondsLeft = a.rules.minutes * 60;
    return a;
}

bool ServerJournal::recordAnswer(qint64 attempt, int question, const QString &letter, int)
{
    // The server counts the time itself: an answer after its limit is refused there.
    const auto rows =
        m_connection.query(QStringLiteral("SELECT answer(?, ?, ?, ?)"), {m_session, attempt, question, letter});
    return rows->next() && rows->value(0).toBool();
}

void ServerJournal::noteTimeLeft(qint64 attempt, int secondsLeft)
{
    m_connection.execute(QStringLiteral("SELECT note_time(?, ?, ?)"), {m_session, attempt, secondsLeft});
}

int ServerJournal::finish(qint64 attempt)
{
    const auto rows = m_connection.query(QStringLiteral("SELECT grade FROM finish(?, ?)"), {m_session, attempt});
    if (!rows->next())
        throw DbError(QStringLiteral("Сервер не вернул оценку за тест."));
    return int(rows->int64(0));
}

void ServerJournal::endWithoutGrade(qint64 attempt)
{
    m_connection.execute(QStringLiteral("SELECT end_attempt(?, ?)"), {m_session, attempt});
}

namespace {

std::optional<Attempt> attemptFrom(ResultRows &rows, int student)
{
    if (!rows.next())
        return std::nullopt;
    Attempt a;
    a.id = rows.int64(0);
    a.student = student;
    a.chapter = int(rows.int64(1));
    a.chapterId = int(rows.int64(2));
    a.questions = int(rows.int64(3));
    a.rules.minutes = int(rows.int64(4));
    a.rules.fine = int(rows.int64(5));
    a.rules.good = int(rows.int64(6));
    a.rules.bad = int(rows.int64(7));
    a.secondsLeft = int(rows.int64(8));
    const QString state = rows.text(9);
    a.state = state == u"graded"    ? AttemptState::Graded
              : state == u"running" ? AttemptState::Running
                                    : AttemptState::Ended;
    a.grade = int(rows.int64(10));
    return a;
}

const QString attemptColumns = QStringLiteral(
    "SELECT id, chapter, id_glava, questions, minutes, fine, good, bad, seconds_left, state, grade FROM my_attempt");

} // namespace

std::optional<Attempt> ServerJournal::findUnfinished(int)
{
    // The server keeps the time of a test on its own clock, which runs on while the program is
    // away: a test cut short is not continued there.
    return std::nullopt;
}

std::optional<Attempt> ServerJournal::lastGraded(int student, int chapter)
{
    const auto rows = m_connection.query(attemptColumns + QStringLiteral("(?, NULL, ?)"), {m_session, chapter});
    return attemptFrom(*rows, student);
}

std::optional<Attempt> ServerJournal::attempt(qint64 id)
{
    const auto rows = m_connection.query(attemptColumns + QStringLiteral("(?, ?, NULL)"), {m_session, id});
    return attemptFrom(*rows, 0);
}

QList<RecordedAnswer> ServerJournal::answers(qint64 attempt)
{
    const auto rows = m_connection.query(QStringLiteral("SELECT question, letter, is_right FROM my_answers(?, ?)"),
                                         {m_session, attempt});
    QList<RecordedAnswer> given;
    while (rows->next())
        given.append({int(rows->int64(0)), rows->text(1), rows->value(2).toBool()});
    return given;
}

QHash<int, QString> ServerJournal::answerKey(qint64 attempt)
{
    // The server never hands out its answer key: the right letter is known where the student gave
    // it, and only once the test is graded, as on a file.
    const std::optional<Attempt> a = this->attempt(attempt);
    if (!a || a->state != AttemptState::Graded)
        throw DbError(QStringLiteral("Разбор ответов открывается только после того, как тест завершён."));
    QHash<int, QString> key;
    for (const RecordedAnswer &answer : answers(attempt)) {
        if (answer.right)
            key.insert(answer.question, answer.letter);
    }
    return key;
}
