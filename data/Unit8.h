#pragma once

#include <QObject>
#include <QString>

#include <memory>

class AttemptJournal;
class Connection;
class DataSource;
class TableCursor;

// The data module: the program's connection, one cursor per table and the settings lookup.
// Never shown; "closing" it runs FormClose.
class TData : public QObject
{
    Q_OBJECT
public:
    explicit TData(QObject *parent = nullptr);
    ~TData() override;

    QString windowTitle() const { return QStringLiteral("Data"); }

    Connection *Connect;
    TableCursor *UserTab;
    TableCursor *SystemTab;
    TableCursor *GlavesTab;
    TableCursor *ResultTab;
    TableCursor *Test1Tab;
    TableCursor *Test2Tab;
    TableCursor *Test3Tab;
    TableCursor *Test4Tab;
    TableCursor *Test5Tab;
    TableCursor *Test6Tab;
    DataSource *DataSource1;
    DataSource *DataSource2;
    DataSource *DataSource3;
    DataSource *DataSource4;
    DataSource *DataSource5;
    DataSource *DataSource6;
    DataSource *DataSource7;
    DataSource *DataSource8;
    DataSource *DataSource9;
    DataSource *DataSource10;

    TableCursor *testTab(int chapter) const; // 1..6

    // The sign-in window's connection set-up: folder (with its trailing separator) followed by
    // "Data.mdb", then SetTablesActive(true). A file made before the attempt journal existed gets
    // its tables first; if it refuses them, the test launch says so.
    void connectTo(const QString &folder);
    // UserTab, SystemTab, ResultTab, GlavesTab opened or closed, in this order.
    void SetTablesActive(bool active);

    QString GetSystemValue(const QString &key);

    // The signed-in student, by ID (0 before a sign-in); set by the sign-in. The current row of
    // UserTab stands for the student, and every write for the student finds the row again first.
    void setStudentId(int id) { m_studentId = id; }
    int studentId() const { return m_studentId; }
    // Opens UserTab if it is closed and makes the signed-in student's row current. False when the
    // file no longer has the row (another program deleted it): UserTab's current row is then
    // someone else's or none, and nothing may be stored for the student.
    bool findStudent();

    // Where the chapter tests' answers are kept.
    AttemptJournal &journal();

    void close(); // runs FormClose
    void FormClose();

private:
    int m_studentId = 0;
    std::unique_ptr<AttemptJournal> m_journal;
};

extern TData *Data;

// The layout of the students' and results' cursors, for the data module and for any window that
// keeps cursors of its own over the same tables. users gets the Users columns the program relies
// on; results gets the Result columns, rows ordered by student, the chapter name looked up as
// GlavaCaption (cut to 100 characters) and, with a master, only that student's rows.
void setUpUsersCursor(TableCursor *users);
void setUpResultCursor(TableCursor *results, TableCursor *users);
