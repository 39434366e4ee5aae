#include "data/Preferences.h"

#include "data/Backend.h"
#include "data/Connection.h"

namespace preferences {

namespace {

bool hasTable(Connection &connection)
{
    return connection
        .query(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'Preferences'"))
        ->next();
}

void createTable(Connection &connection)
{
    connection.execute(QStringLiteral("CREATE TABLE IF NOT EXISTS Preferences (ID_User INTEGER NOT NULL, "
                                      "Name TEXT(50) NOT NULL, Value TEXT(255), PRIMARY KEY (ID_User, Name))"));
}

} // namespace

void addPreferencesTable(Connection &connection)
{
    // Asked first, so a file that has the table is never written to, read-only or busy as it may be.
    if (hasTable(connection))
        return;
    connection.inTransaction([&] { createTable(connection); });
}

QString read(Connection &connection, int student, const QString &name)
{
    if (!hasTable(connection))
        return {};
    const auto rows = connection.query(QStringLiteral("SELECT Value FROM Preferences WHERE ID_User = ? AND Name = ?"),
                                       {student, name});
    return rows->next() ? rows->text(0) : QString();
}

void write(Connection &connection, int student, const QString &name, const QString &value)
{
    connection.inTransaction([&] {
        createTable(connection);
        connection.execute(QStringLiteral("INSERT OR REPLACE INTO Preferences (ID_User, Name, Value) VALUES (?, ?, ?)"),
                           {student, name, value});
    });
}

} // namespace preferences
