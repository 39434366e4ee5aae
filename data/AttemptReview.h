#pragma once

#include <QList>
#include <QString>

class AttemptJournal;
class Connection;

// One question of a graded attempt as the review shows it.
struct ReviewLine
{
    int question = 0; // ID_V
    QString text;
    QString chosen; // empty: not answered before the time ran out
    QString right;
    bool isRight = false;
    // Where the course explains it: a page inside Glaves and an anchor on it; no page, no link.
    QString page;
    QString anchor;
};

// Every question of a graded attempt's chapter in the order the test asks them, with the answer
// recorded and the right one. Throws DbError (an attempt not graded, a file that refuses).
QList<ReviewLine> attemptReview(AttemptJournal &journal, Connection &connection, qint64 attempt);
