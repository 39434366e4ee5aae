#pragma once

#include "data/AttemptJournal.h"

class Connection;

// The attempt journal in the tables Attempt and AttemptAnswer of a Data.mdb file, over the
// program's connection. Answers are judged against the chapter's question table.
class SqliteJournal : public AttemptJournal
{
public:
    explicit SqliteJournal(Connection &connection) : m_connection(connection) {}

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
    std::optional<Attempt> readOne(const QString &where, const QVariantList &values);
    Attempt runningAttempt(qint64 id);

    Connection &m_connection;
};

// Adds the journal's tables (Attempt, AttemptAnswer), the questions' places (QuestionPlace) and the
// pages opened (PageVisit) to a file made before they existed, all in one transaction; the rest of the file stays as it
// is. Does nothing when the file has them, or on a server. Throws DbError when the file refuses.
void addAttemptTables(Connection &connection);

// The columns of chapter 1..6's question table by position: the key (ID_V), the question, the
// five answers and the right letter. The tables of chapters 3..6 are read by position, so their
// names are asked of the file.
QStringList questionColumns(Connection &connection, int chapter);
