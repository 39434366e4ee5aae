#pragma once

#include <QString>

#include <optional>

class Connection;

// The version of the course database on a server that this program works with; velanika-server
// init writes it, and a server with another one is refused.
constexpr int serverSchemaVersion = 3;

// Where the program is told to use a server instead of Data.mdb: the environment variable
// VELANIKA_SERVER, else server.conf in the data folder, else the system file. The setting is a
// libpq connection string ("host=... dbname=...") or a service name; in a file, the first line
// that is neither blank nor a comment ('#').
struct ServerSetting
{
    QString connectionString;
    QString source; // where it was found, for messages
};
std::optional<ServerSetting> configuredServer(const QString &dataFolder,
                                              const QString &systemFile = QStringLiteral("/etc/velanika/server.conf"));

// Points a connection at the configured server, or at Data.mdb in the data folder (with its
// trailing separator) when none is configured.
void pointAtDatabase(Connection &connection, const QString &dataFolder);

// The role the teacher's desk signs in with on a server.
inline constexpr const char *teacherRole = "velanika_teacher";
// The configured connection string as the teacher signs in: the server's teacher role with the
// password typed at the desk (the server checks it and grants the teacher's rights), reading the
// stored tables before the students' views. Throws DbError when the string cannot be read.
QString teacherConnectionString(const QString &connectionString, const QString &password);
