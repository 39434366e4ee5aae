#include "data/ServerSettings.h"

#include "data/Connection.h"

#include <QFile>

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
