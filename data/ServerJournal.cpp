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

std::optional<Attempt> ServerJournal::findUnfinished(int)
{
    return std::nullopt;
}

std::optional<Attempt> ServerJournal::lastGraded(int, int)
{
    return std::nullopt;
}

std::optional<Attempt> ServerJournal::attempt(qint64)
{
    return std::nullopt;
}

QList<RecordedAnswer> ServerJournal::answers(qint64)
{
    return {};
}

QHash<int, QString> ServerJournal::answerKey(qint64)
{
    throw DbError(QStringLiteral("Разбор ответов на сервере класса пока недоступен."));
}
