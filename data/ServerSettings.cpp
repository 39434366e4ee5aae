#include "data/ServerSettings.h"

#include "data/Connection.h"
#include "data/DbError.h"
#include "data/LibPq.h"
#include "data/PgBackend.h"

#include <QFile>

#include <libpq-fe.h>

namespace {

// A bare name is a service of the libpq service file.
QString asConnectionString(const QString &setting)
{
    const QString text = setting.trimmed();
    return text.contains(u'=') ? text : QStringLiteral("service=") + text;
}

std::optional<QString> readSetting(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (!line.isEmpty() && !line.startsWith(u'#'))
            return line;
    }
    return std::nullopt;
}

// A value as a connection string takes it: quoted, with quote and backslash escaped.
QString conninfoValue(QString value)
{
    value.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + value + u'\'';
}

} // namespace

std::optional<ServerSetting> configuredServer(const QString &dataFolder, const QString &systemFile)
{
    const QString variable = qEnvironmentVariable("VELANIKA_SERVER").trimmed();
    if (!variable.isEmpty())
        return ServerSetting{asConnectionString(variable), QStringLiteral("VELANIKA_SERVER")};
    for (const QString &path : {dataFolder + QStringLiteral("server.conf"), systemFile}) {
        if (const std::optional<QString> line = readSetting(path))
            return ServerSetting{asConnectionString(*line), path};
    }
    return std::nullopt;
}

void pointAtDatabase(Connection &connection, const QString &dataFolder)
{
    if (const std::optional<ServerSetting> server = configuredServer(dataFolder)) {
        connection.setExpectedSchemaVersion(serverSchemaVersion);
        connection.setServer(server->connectionString);
    } else {
        connection.setDatabaseFile(dataFolder + QStringLiteral("Data.mdb"));
    }
}

QString teacherConnectionString(const QString &connectionString, const QString &password)
{
    if (!libpq::available())
        throw DbError::serverLibraryMissing(PgBackend::hostOf(connectionString));
    // Read by libpq itself, so a URI or a service name works as well as keywords.
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(connectionString.toUtf8().constData(), &error);
    PQfreemem(error);
    if (!options)
        throw DbError(QStringLiteral("Настройка подключения к серверу «%1» записана неверно.").arg(connectionString));
    QStringList parts;
    QString serverOptions;
    for (PQconninfoOption *o = options; o->keyword; ++o) {
        if (!o->val)
            continue;
        const QByteArrayView key(o->keyword);
        if (key == "user" || key == "password")
            continue;
        if (key == "options")
            serverOptions = QString::fromUtf8(o->val);
        else
            parts << QString::fromUtf8(o->keyword) + u'=' + conninfoValue(QString::fromUtf8(o->val));
    }
    PQconninfoFree(options);
    // Given last, the search path overrides one given before it.
    serverOptions += QStringLiteral(" -csearch_path=velanika_data,velanika");
    parts << QStringLiteral("options=") + conninfoValue(serverOptions.trimmed())
          << QStringLiteral("user=") + QString::fromLatin1(teacherRole)
          << QStringLiteral("password=") + conninfoValue(password);
    return parts.join(u' ');
}
