#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Connection;

// A chapter's question bank as the teacher brings it in from elsewhere or takes it out: the Aiken
// and GIFT formats of learning platforms, a spreadsheet's CSV, and the course's own text format.

struct BankQuestion
{
    QString text;
    QStringList answers; // 2..5, in the order A..E
    QString right;       // "A".."E"
    QString place;       // "page#anchor" that explains it; empty: none
    int line = 0;        // where it begins in the file read

    bool operator==(const BankQuestion &other) const
    {
        return text == other.text && answers == other.answers && right == other.right && place == other.place;
    }
};

struct RejectedLine
{
    int line = 0; // 1-based
    QString reason;

    bool operator==(const RejectedLine &) const = default;
};

struct ParsedBank
{
    QList<BankQuestion> questions;
    QList<RejectedLine> rejected;
};

enum class BankFormat
{
    Aiken,
    Gift,
    Csv,
    Course,
};

// By the file's extension: .gift, .csv; else the course's own when its first line that is not a
// comment begins with "? ", else Aiken.
BankFormat bankFormatOf(const QString &fileName, const QString &text = {});

// Reads every question it can; each one it cannot take is rejected with the number of the line
// at fault and the reason, in Russian. A question or answer longer than the table keeps (255) is
// rejected, never cut. A byte-order mark at the start is skipped.
ParsedBank parseBank(const QString &text, BankFormat format);

// Writes the questions into chapter 1..6's table, in one transaction: replace first empties the
// table (and the places of its questions), else they follow those there. A failure on the way
// writes nothing (DbError).
void importBank(Connection &connection, int chapter, const QList<BankQuestion> &questions, bool replace);

// The chapter's questions, with their places, in the course's own text format.
QString exportBank(Connection &connection, int chapter);

// The fields of one line of CSV text after another, split at separator outside '"' quotes (a
// quoted field may hold line ends and doubled quotes); lines gets the line each row begins on.
QList<QStringList> readCsvRows(const QString &text, QChar separator, QList<int> *lines = nullptr);
