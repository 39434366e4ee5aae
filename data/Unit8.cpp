// Unit8: the data module (TData): the connection, the cursors and the settings lookup.

#include "data/Unit8.h"

#include "data/Backend.h"
#include "data/Connection.h"
#include "data/DataSource.h"
#include "data/DbError.h"
#include "data/GradeSheet.h"
#include "data/Preferences.h"
#include "data/ServerJournal.h"
#include "data/ServerSettings.h"
#include "data/SqliteJournal.h"
#include "data/TableCursor.h"
#include "data/TextWidth.h"

// Set by the window set; the module itself never assigns it.
TData *Data = nullptr;

namespace {

TableCursor *makeCursor(Connection *connection, const char *name, const QString &table, const QStringList &fields,
                        QObject *parent)
{
    auto *cursor = new TableCursor(connection, table, parent);
    cursor->setObjectName(QString::fromLatin1(name));
    if (!fields.isEmpty())
        cursor->setDeclaredFields(fields);
    return cursor;
}

DataSource *makeSource(TableCursor *cursor, const char *name, QObject *parent)
{
    auto *source = new DataSource(cursor, parent);
    source->setObjectName(QString::fromLatin1(name));
    return source;
}

QStringList questionFields()
{
    return {QStringLiteral("ID_V"), QStringLiteral("вопрос"), QStringLiteral("отв1"), QStringLiteral("отв2"),
            QStringLiteral("отв3"), QStringLiteral("отв4"),   QStringLiteral("отв5"), QStringLiteral("вариант")};
}

} // namespace

TData::TData(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("Data"));
    Connect = new Connection(this);
    Connect->setObjectName(QStringLiteral("Connect"));

    UserTab = makeCursor(Connect, "UserTab", QStringLiteral("Users"), {}, this);
    setUpUsersCursor(UserTab);
    SystemTab = makeCursor(Connect, "SystemTab", QStringLiteral("System"),
                           {QStringLiteral("id"), QStringLiteral("Name"), QStringLiteral("Value")}, this);
    SystemTab->setIndexName(QStringLiteral("Name"));
    GlavesTab = makeCursor(Connect, "GlavesTab", QStringLiteral("Glaves"),
                           {QStringLiteral("ID_Glava"), QStringLiteral("Caption")}, this);
    ResultTab = makeCursor(Connect, "ResultTab", QStringLiteral("Result"), {}, this);
    setUpResultCursor(ResultTab, UserTab);

    Test1Tab = makeCursor(Connect, "Test1Tab", QStringLiteral("Test1"), questionFields(), this);
    Test2Tab = makeCursor(Connect, "Test2Tab", QStringLiteral("Test2"), questionFields(), this);
    // Test3..Test6 take their columns from the file.
    Test3Tab = makeCursor(Connect, "Test3Tab", QStringLiteral("Test3"), {}, this);
    Test4Tab = makeCursor(Connect, "Test4Tab", QStringLiteral("Test4"), {}, this);
    Test5Tab = makeCursor(Connect, "Test5Tab", QStringLiteral("Test5"), {}, this);
    Test6Tab = makeCursor(Connect, "Test6Tab", QStringLiteral("Test6"), {}, this);

    DataSource1 = makeSource(UserTab, "DataSource1", this);
    DataSource2 = makeSource(SystemTab, "DataSource2", this);
    DataSource3 = makeSource(GlavesTab, "DataSource3", this);
    DataSource4 = makeSource(ResultTab, "DataSource4", this);
    DataSource5 = makeSource(Test1Tab, "DataSource5", this);
    DataSource6 = makeSource(Test2Tab, "DataSource6", this);
    DataSource7 = makeSource(Test3Tab, "DataSource7", this);
    DataSource8 = makeSource(Test4Tab, "DataSource8", this);
    DataSource9 = makeSource(Test5Tab, "DataSource9", this);
    DataSource10 = makeSource(Test6Tab, "DataSource10", this);

    m_fileJournal = std::make_unique<SqliteJournal>(*Connect);
    m_serverJournal = std::make_unique<ServerJournal>(*Connect, m_session);
}

TData::~TData() = default;

TableCursor *TData::testTab(int chapter) const
{
    switch (chapter) {
    case 1:
        return Test1Tab;
    case 2:
        return Test2Tab;
    case 3:
        return Test3Tab;
    case 4:
        return Test4Tab;
    case 5:
        return Test5Tab;
    case 6:
        return Test6Tab;
    default:
        return nullptr;
    }
}

void TData::connectTo(const QString &folder)
{
    pointAtDatabase(*Connect, folder);
    // Reading the course needs neither the reading preferences nor the journal: a file that cannot
    // take their tables now (held by another program, read-only) is read without them, and told
    // when a preference is stored or at the test launch, which tries again.
    if (!Connect->isServer()) {
        try {
            preferences::addPreferencesTable(*Connect);
        } catch (const DbError &) {
        }
    }
    try {
        addAttemptTables(*Connect);
    } catch (const DbError &) {
    }
    SetTablesActive(true);
}

void TData::SetTablesActive(bool active)
{
    UserTab->setActive(active);
    SystemTab->setActive(active);
    ResultTab->setActive(active);
    GlavesTab->setActive(active);
}

QString TData::GetSystemValue(const QString &key)
{
    if (SystemTab->isEmpty())
        return {};
    if (!SystemTab->locate(QStringLiteral("Name"), key, LocateOption::PartialKey))
        return {};
    return SystemTab->fieldByName(QStringLiteral("Value")).asString();
}

bool TData::findStudent()
{
    UserTab->open();
    // A change of the row left pending by a write that failed is not carried over.
    UserTab->cancel();
    if (m_studentId <= 0)
        return false;
    // Asked of the file, not of the rows read earlier: another program may have deleted the row.
    if (!Connect->query(QStringLiteral("SELECT 1 FROM Users WHERE ID = ?"), {m_studentId})->next())
        return false;
    if (!UserTab->isEmpty() && UserTab->fieldByName(QStringLiteral("ID")).asInteger() == m_studentId)
        return true;
    if (UserTab->locate(QStringLiteral("ID"), m_studentId))
        return true;
    // Registered after the rows were read.
    UserTab->refresh();
    return UserTab->locate(QStringLiteral("ID"), m_studentId);
}

AttemptJournal &TData::journal()
{
    if (Connect->isServer())
        return *m_serverJournal;
    return *m_fileJournal;
}

bool TData::onServer() const
{
    return Connect->isServer();
}

Registration TData::registerStudent(const NewStudent &student)
{
    if (!onServer())
        return ::registerStudent(UserTab, student);
    UserTab->open();
    // Cut as the cursor cuts a longer text, whole characters only.
    const auto fit = [this](const QString &text, const char *column) {
        return cutToWidth(text, UserTab->fieldByName(QString::fromUtf8(column)).size());
    };
    const auto rows = Connect->query(QStringLiteral("SELECT student, token FROM register(?, ?, ?, ?, ?)"),
                                     {fit(student.name, "фамилия"), fit(student.password, "пароль"),
                                      fit(student.specialty, "специальность"), fit(student.course, "курс"),
                                      fit(student.page, "путь")});
    if (!rows->next())
        return Registration::NameTaken;
    m_session = rows->text(1);
    setStudentId(int(rows->int64(0)));
    findStudent();
    return Registration::Stored;
}

SignInOutcome TData::signIn(const QString &name, const QString &password, QString *storedPassword)
{
    UserTab->open();
    if (onServer()) {
        const auto rows =
            Connect->query(QStringLiteral("SELECT status, student, token FROM sign_in(?, ?)"), {name, password});
        rows->next();
        if (rows->int64(0) == 1)
            return SignInOutcome::NotRegistered;
        if (rows->int64(0) != 0)
            return SignInOutcome::WrongPassword;
        m_session = rows->text(2);
        setStudentId(int(rows->int64(1)));
        findStudent();
        return SignInOutcome::SignedIn;
    }
    // The student may have registered with another copy of the program since this one started.
    UserTab->refresh();
    if (!UserTab->locate(QStringLiteral("фамилия"), name))
        return SignInOutcome::NotRegistered;
    const QString stored = UserTab->fieldByName(QStringLiteral("пароль")).asString();
    if (storedPassword)
        *storedPassword = stored;
    if (password != stored)
        return SignInOutcome::WrongPassword;
    setStudentId(UserTab->field(0).asInteger());
    return SignInOutcome::SignedIn;
}

QString TData::storedPageOf(const QString &name)
{
    if (onServer() || name.isEmpty())
        return {};
    const auto rows =
        Connect->query(QStringLiteral("SELECT путь FROM Users WHERE фамилия = ? ORDER BY ID LIMIT 1"), {name});
    return rows->next() ? rows->text(0) : QString();
}

void TData::storePage(const QString &path, const QString &visited)
{
    // Never on another student's row.
    if (!findStudent())
        throw DbError::studentMissing();
    if (onServer()) {
        // The page is noted as opened in the same call, by the server's function.
        Connect->execute(QStringLiteral("SELECT store_page(?, ?, ?)"),
                         {m_session, cutToWidth(path, UserTab->fieldByName(QStringLiteral("путь")).size()),
                          visited.isEmpty() ? QVariant() : QVariant(visited)});
        UserTab->dropCachedValues();
        return;
    }
    Connect->inTransaction([&] {
        UserTab->edit();
        UserTab->fieldByName(QStringLiteral("путь")).setAsString(path);
        UserTab->refresh(); // writes the pending edit
        if (!visited.isEmpty())
            notePageVisit(*Connect, m_studentId, visited);
    });
}

namespace {

// Whether the server has the functions for preferences (one prepared before them has not).
bool serverKeepsPreferences(Connection &connection)
{
    const auto rows = connection.query(QStringLiteral("SELECT to_regproc('store_preference') IS NOT NULL"));
    return rows->next() && rows->value(0).toBool();
}

} // namespace

QString TData::preference(const QString &name)
{
    if (m_studentId <= 0)
        return {};
    if (!onServer())
        return preferences::read(*Connect, m_studentId, name);
    if (!serverKeepsPreferences(*Connect))
        return {};
    const auto rows = Connect->query(QStringLiteral("SELECT preference(?, ?)"), {m_session, name});
    return rows->next() ? rows->text(0) : QString();
}

void TData::storePreference(const QString &name, const QString &value)
{
    if (m_studentId <= 0)
        return;
    if (!onServer()) {
        preferences::write(*Connect, m_studentId, name, value);
        return;
    }
    if (serverKeepsPreferences(*Connect))
        Connect->execute(QStringLiteral("SELECT store_preference(?, ?, ?)"), {m_session, name, value});
}

void TData::prepareResult()
{
    TableCursor *results = ResultTab;
    results->open();
    const int chapterId = GlavesTab->fieldByName(QStringLiteral("ID_Glava")).asInteger();
    const int studentId = UserTab->fieldByName(QStringLiteral("ID")).asInteger();
    if (onServer()) {
        Connect->execute(QStringLiteral("SELECT prepare_result(?, ?)"), {m_session, chapterId});
        results->refresh();
        results->locate(QStringLiteral("ID_Glava; ID_User"), QVariantList{chapterId, studentId});
        return;
    }
    // One transaction that holds the file: another copy of the program opening the same chapter
    // for the same student at the same moment cannot add a second row.
    Connect->inTransaction([&] {
        // Tried again when the file was busy: a row left pending by the last try goes.
        results->cancel();
        results->refresh();
        if (results->locate(QStringLiteral("ID_Glava; ID_User"), QVariantList{chapterId, studentId}))
            return;
        results->append();
        results->fieldByName(QStringLiteral("ID_User")).setAsInteger(studentId);
        results->fieldByName(QStringLiteral("ID_Glava")).setAsInteger(chapterId);
        results->fieldByName(QStringLiteral("Ocenka")).setAsInteger(0);
        results->post();
    });
}

void TData::close()
{
    FormClose();
}

void TData::FormClose()
{
    for (TableCursor *cursor :
         {UserTab, GlavesTab, SystemTab, Test1Tab, Test2Tab, Test3Tab, Test4Tab, Test5Tab, Test6Tab, ResultTab})
        cursor->close();
}

Registration registerStudent(TableCursor *users, const NewStudent &student)
{
    users->open();
    bool taken = false;
    try {
        users->connection()->inTransaction([&] {
            // Tried again when the file was busy: a row left pending by the last try goes.
            users->cancel();
            // Read inside the transaction: a name another copy stored is seen, and no copy can
            // store one until this transaction ends.
            users->refresh();
            taken = users->locate(QStringLiteral("фамилия"), student.name);
            if (taken)
                return;
            users->append();
            users->fieldByName(QStringLiteral("фамилия")).setAsString(student.name);
            users->fieldByName(QStringLiteral("пароль")).setAsString(student.password);
            users->fieldByName(QStringLiteral("специальность")).setAsString(student.specialty);
            users->fieldByName(QStringLiteral("курс")).setAsString(student.course);
            users->fieldByName(QStringLiteral("путь")).setAsString(student.page);
            users->post(); // gives the row its ID
        });
    } catch (const DbError &) {
        users->cancel();
        throw;
    }
    return taken ? Registration::NameTaken : Registration::Stored;
}

void setUpUsersCursor(TableCursor *users)
{
    users->setDeclaredFields({QStringLiteral("ID"), QStringLiteral("фамилия"), QStringLiteral("пароль"),
                              QStringLiteral("специальность"), QStringLiteral("курс"), QStringLiteral("путь")});
}

void setUpResultCursor(TableCursor *results, TableCursor *users)
{
    results->setDeclaredFields(
        {QStringLiteral("ID_User"), QStringLiteral("ID_glava"), QStringLiteral("Ocenka"), QStringLiteral("ID_Result")});
    results->setOrderBy(QStringLiteral("ID_User"));
    LookupField caption;
    caption.name = QStringLiteral("GlavaCaption");
    caption.position = 3;
    caption.keyField = QStringLiteral("ID_glava");
    caption.lookupTable = QStringLiteral("Glaves");
    caption.lookupKey = QStringLiteral("ID_Glava");
    caption.lookupResult = QStringLiteral("Caption");
    caption.size = 100;
    results->addLookupField(caption);
    if (users)
        results->setMasterLink(users, QStringLiteral("ID"), QStringLiteral("ID_User"));
}
