#pragma once

#include "data/AttemptJournal.h"

class Connection;

// The attempt journal on a class-room server: the server's own functions begin an attempt with
// its settings and its clock, judge and record each answer, and compute and store the grade; the
// student's role cannot write the tables itself. session is the server's token for the
// signed-in student.
//
// The server keeps every answer, but has no functions yet that give an attempt back to the
// program: a test cut short is not offered to go on (the server counts its time by its own clock
// and ends it when that runs out) and no graded attempt is offered for review.
class ServerJournal : public AttemptJournal
{
public:
    ServerJournal(Connection &connection, const QString &session) : m_connection(connection), m_session(session) {}

    Attempt begin(int student, int chapter, int chapterId, int questions, const GradeRules &rules) override;
    bool recordAnswer(qint64 attempt, int question, const QString &letter, int secondsLeft) override;
    void noteTimeLeft(qint64 attempt, int secondsLeft) override;
    int finish(qint64 attempt) override;
    void endWithoutGrade(qint64 attempt) override;
    std::optional<Attempt> findUnfinished(int student) override;
    std::optional<Attempt> lastGraded(int student, int chapter) override;
    std::optional<Attempt> attempt(qint64 id) override;
    QList<RecordedAnswer> answers(qint64 attempt) override;
    QHash<int, QString> answerKey(qint64 attempt) override;

private:
    Connection &m_connection;
    const QString &m_session;
};
