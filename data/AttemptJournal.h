#pragma once

#include "data/Grades.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

enum class AttemptState
{
    Running,
    Graded, // finished, the grade stored in Result
    Ended,  // ended without a grade: the window closed, or a continuation declined
};

// One chapter test of one student, as the journal keeps it.
struct Attempt
{
    qint64 id = 0;
    int student = 0;   // Users.ID
    int chapter = 0;   // 1..6: the question table TestN
    int chapterId = 0; // Glaves.ID_Glava: the Result row the grade goes to
    int questions = 0;
    GradeRules rules;
    int secondsLeft = 0;
    AttemptState state = AttemptState::Running;
    int grade = 0; // 2..5 once graded
};

struct RecordedAnswer
{
    int question = 0; // the question's ID_V
    QString letter;
    bool right = false;
};

// Every answer of every chapter test, kept as the student gives it, so a test cut short can go on
// where it stopped and a finished one can be gone through again. Each call is one transaction;
// failures throw DbError with a Russian message. Where the answers are judged and the grade
// computed is the journal's business: the file's journal does it from the question tables.
class AttemptJournal
{
public:
    virtual ~AttemptJournal() = default;

    // A new running attempt with the whole limit left. rules are those the test starts with; a
    // journal that keeps settings of its own may use those and says so in what it returns.
    virtual Attempt begin(int student, int chapter, int chapterId, int questions, const GradeRules &rules) = 0;
    // Judges the answer to the question, records it with the time left and returns whether it was
    // right. An answer to a question already answered changes nothing and returns the first
    // verdict, so a repeated call never counts twice. Refused once the attempt has ended.
    virtual bool recordAnswer(qint64 attempt, int question, const QString &letter, int secondsLeft) = 0;
    // The time left of a running attempt; nothing for one that has ended.
    virtual void noteTimeLeft(qint64 attempt, int secondsLeft) = 0;
    // Ends the attempt with the grade of its recorded answers under its rules and stores the grade
    // in the student's Result row for the chapter, both in one transaction, and returns it.
    // Finishing a graded attempt again stores nothing and returns the grade stored the first time;
    // an attempt ended without a grade is refused.
    virtual int finish(qint64 attempt) = 0;
    // A running attempt ends without a grade; one that has ended stays as it is.
    virtual void endWithoutGrade(qint64 attempt) = 0;

    // The student's running attempt, the latest if there are several.
    virtual std::optional<Attempt> findUnfinished(int student) = 0;
    // The student's latest graded attempt of the chapter.
    virtual std::optional<Attempt> lastGraded(int student, int chapter) = 0;
    virtual std::optional<Attempt> attempt(qint64 id) = 0;
    // The answers recorded, in the order given.
    virtual QList<RecordedAnswer> answers(qint64 attempt) = 0;
    // The right letter of every question of a graded attempt's chapter, by ID_V; refused for an
    // attempt that is not graded.
    virtual QHash<int, QString> answerKey(qint64 attempt) = 0;
};

// The attempt a test window runs: each answer is written with the time left, and the time left is
// written at least every noteIntervalMs in between, so a test cut short goes on with at most that
// much more time than it had. Times are of a steady clock, in milliseconds.
class RunningAttempt
{
public:
    static constexpr qint64 noteIntervalMs = 5000;

    RunningAttempt(AttemptJournal &journal, const Attempt &attempt, qint64 nowMs)
        : m_journal(journal), m_attempt(attempt), m_notedMs(nowMs)
    {}

    const Attempt &attempt() const { return m_attempt; }

    // Records the answer (see AttemptJournal::recordAnswer) and returns whether it was right.
    bool answer(int question, const QString &letter, int secondsLeft, qint64 nowMs);
    // Writes the time left once noteIntervalMs have passed since it was last written.
    void tick(int secondsLeft, qint64 nowMs);

private:
    AttemptJournal &m_journal;
    Attempt m_attempt;
    qint64 m_notedMs;
};
