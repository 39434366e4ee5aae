#include "data/AttemptJournal.h"

bool RunningAttempt::answer(int question, const QString &letter, int secondsLeft, qint64 nowMs)
{
    const bool right = m_journal.recordAnswer(m_attempt.id, question, letter, secondsLeft);
    m_notedMs = nowMs;
    return right;
}

void RunningAttempt::tick(int secondsLeft, qint64 nowMs)
{
    if (nowMs - m_notedMs < noteIntervalMs)
        return;
    m_journal.noteTimeLeft(m_attempt.id, secondsLeft);
    m_notedMs = nowMs;
}
