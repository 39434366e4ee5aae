#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class Connection;

// What the teacher's desk shows of the class: read in a few statements over the whole record.

struct SheetChapter
{
    int id = 0; // Glaves.ID_Glava
    QString caption;
};

struct SheetRow
{
    int student = 0; // Users.ID
    QString name;
    QString specialty;
    QString course;
    QList<int> grades; // per chapter of the sheet, in its order; 0: not taken
    int attempts = 0;  // chapter tests begun, however they ended
    QString lastPage;  // the page's file name, without its folder
    int pagesOpened = 0;
};

struct GradeSheet
{
    QList<SheetChapter> chapters;
    QList<SheetRow> rows; // in the order of Users
};

// The pages of the course a student is counted as having opened, as the reader names them.
const QStringList &coursePages();

// Notes that the student opened the page (its path relative to the program folder); the first
// opening counts, later ones change nothing. Call inside the transaction that stores the page.
void notePageVisit(Connection &connection, int student, const QString &page);

GradeSheet readGradeSheet(Connection &connection);

// One question of a chapter as the class answered it in graded tests. A question a graded test
// left unanswered counts as answered wrong, as it did for the grade.
struct QuestionFigures
{
    int question = 0; // ID_V
    QString text;
    int rightPercent = 0; // of the chapter's graded tests
    int tests = 0;        // the chapter's graded tests
    QString commonWrong;  // the wrong letter chosen most often (the first in A..E on a tie); empty: none
};

// The chapter's (1..6) questions, the worst answered first (ties in the bank's order).
QList<QuestionFigures> difficultQuestions(Connection &connection, int chapter);

// The sheet as a spreadsheet reads it: UTF-8 with a byte-order mark, fields separated by ';' (what
// a spreadsheet in a Russian locale expects, ',' being its decimal sign), a header row, grades and
// counts as bare numbers, an empty field for a chapter not taken. Text that a spreadsheet would
// take for a formula gets a leading apostrophe, so a name cannot run anything on the teacher's PC.
QByteArray sheetCsv(const GradeSheet &sheet);
// "Ведомость 2026-12-09.csv"
QString sheetFileName(const QDate &date, const QString &extension);
