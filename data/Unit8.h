#pragma once

#include <QObject>
#include <QString>

#include <memory>

class AttemptJournal;
class Connection;
class DataSource;
class TableCursor;

// A new student's row of Users; page is what "путь" starts with.
struct NewStudent
{
    QString name;
    QString password;
    QString specialty;
    QString course;
    QString page;
};

enum class Registration
{
    Stored,
    NameTaken,
};

enum class SignInOutcome
{
    SignedIn,
    NotRegistered,
    WrongPassword,
};

// Stores a new student in a Data.mdb unless an exact search finds the name. The search and the new
// row are one transaction that holds the file, so two copies of the program on one Data.mdb cannot
// both register a name. Stored: the new row is the current row of users. Throws DbError when the
// file refuses; nothing is stored then.
Registration registerStudent(TableCursor *users, const NewStudent &student);

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

    // The sign-in window's connection set-up: the configured server, else folder (the data folder,
    // with its trailing separator) followed by "Data.mdb"; then SetTablesActive(true). A file made
    // before the attempt journal existed gets its tables first; if it refuses them, the test
    // launch says so.
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

    // What changes a student's records. On a Data.mdb file it is written through the cursors, each
    // change one transaction; on a server the server's functions check and record it, and the
    // student role reads only.
    bool onServer() const;
    // Stored: the new student is signed in and current in UserTab.
    Registration registerStudent(const NewStudent &student);
    // Finds the student by the exact name (the first in table order) and compares the password as
    // a whole text. Signed in: the student is current in UserTab. storedPassword gets the file's
    // password of the row found; a server never tells it.
    SignInOutcome signIn(const QString &name, const QString &password, QString *storedPassword = nullptr);
    // The page ("путь") remembered for the student signIn would find by this name, to open it
    // ahead while the password is typed; empty when there is none. Read without moving UserTab.
    // A server tells no student's page before sign-in: always empty there.
    QString storedPageOf(const QString &name);
    // The signed-in student's page ("путь"), and visited (the page's path relative to the program
    // folder, unless empty) noted as opened, in one transaction. Throws DbError when the student's
    // row is gone.
    void storePage(const QString &path, const QString &visited = {});
    // Makes sure of the signed-in student's result row for the chapter current in GlavesTab, made
    // with grade 0 the first time; it is then current in ResultTab.
    void prepareResult();
    // The signed-in student's reading preference, empty when none is kept.
    QString preference(const QString &name);
    // Keeps it for the signed-in student, one transaction. A server prepared before preferences
    // existed keeps none. Throws DbError.
    void storePreference(const QString &name, const QString &value);

    // Where the chapter tests' answers are kept: the file's tables, or the server's functions.
    AttemptJournal &journal();

    void close(); // runs FormClose
    void FormClose();

private:
    int m_studentId = 0;
    QString m_session; // the server's token for the signed-in student
    std::unique_ptr<AttemptJournal> m_fileJournal;
    std::unique_ptr<AttemptJournal> m_serverJournal;
};

extern TData *Data;

// The layout of the students' and results' cursors, for the data module and for any window that
// keeps cursors of its own over the same tables. users gets the Users columns the program relies
// on; results gets the Result columns, rows ordered by student, the chapter name looked up as
// GlavaCaption (cut to 100 characters) and, with a master, only that student's rows.
void setUpUsersCursor(TableCursor *users);
void setUpResultCursor(TableCursor *results, TableCursor *users);
