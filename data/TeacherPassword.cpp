#include "data/TeacherPassword.h"

#include "data/Backend.h"
#include "data/Connection.h"
#include "data/DbError.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <algorithm>

namespace {

constexpr qsizetype saltBytes = 16;
constexpr qsizetype digestBytes = 32;
constexpr qsizetype blockBytes = 64; // SHA-256's block

// HMAC-SHA256 with the key's pads hashed once, so each of the many iterations costs two blocks.
class Hmac
{
public:
    explicit Hmac(QByteArray key)
    {
        if (key.size() > blockBytes)
            key = QCryptographicHash::hash(key, QCryptographicHash::Sha256);
        key.resize(blockBytes, '\0');
        m_inner = key;
        m_outer = key;
        for (qsizetype i = 0; i < blockBytes; ++i) {
            m_inner[i] = char(m_inner[i] ^ 0x36);
            m_outer[i] = char(m_outer[i] ^ 0x5c);
        }
    }

    QByteArray operator()(const QByteArray &message)
    {
        m_hash.reset();
        m_hash.addData(m_inner);
        m_hash.addData(message);
        const QByteArray inner = m_hash.result();
        m_hash.reset();
        m_hash.addData(m_outer);
        m_hash.addData(inner);
        return m_hash.result();
    }

private:
    QByteArray m_inner;
    QByteArray m_outer;
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
};

void makeTable(Connection &connection)
{
    // Made on first use: the password belongs to the class's record, never to the course.
    connection.execute(QStringLiteral("CREATE TABLE IF NOT EXISTS Teacher (\n"
                                      "    Salt       TEXT(64) NOT NULL,\n"
                                      "    Iterations INTEGER NOT NULL,\n"
                                      "    Digest     TEXT(128) NOT NULL\n"
                                      ")"));
}

bool hasTable(Connection &connection)
{
    if (connection.isServer())
        return connection.query(QStringLiteral("SELECT 1 FROM information_schema.tables WHERE table_name = 'teacher'"))
            ->next();
    return connection
        .query(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'Teacher' COLLATE NOCASE"))
        ->next();
}

} // namespace

QByteArray pbkdf2Sha256(const QByteArray &password, const QByteArray &salt, int iterations, int length)
{
    Hmac hmac(password);
    QByteArray key;
    for (quint32 block = 1; key.size() < length; ++block) {
        QByteArray first = salt;
        first.append(char(block >> 24)).append(char(block >> 16)).append(char(block >> 8)).append(char(block));
        QByteArray u = hmac(first);
        QByteArray t = u;
        for (int i = 1; i < iterations; ++i) {
            u = hmac(u);
            for (qsizetype j = 0; j < t.size(); ++j)
                t[j] = char(t[j] ^ u[j]);
        }
        key += t;
    }
    key.truncate(length);
    return key;
}

void setTeacherPassword(Connection &connection, const QString &password, int iterations)
{
    if (password.isEmpty())
        throw DbError(QStringLiteral("Пароль преподавателя не может быть пустым."));
    QByteArray salt(saltBytes, '\0');
    QRandomGenerator::system()->generate(salt.begin(), salt.end());
    const QByteArray digest = pbkdf2Sha256(password.toUtf8(), salt, iterations, digestBytes);
    connection.inTransaction([&] {
        makeTable(connection);
        connection.execute(QStringLiteral("DELETE FROM Teacher"));
        connection.execute(QStringLiteral("INSERT INTO Teacher (Salt, Iterations, Digest) VALUES (?, ?, ?)"),
                           {QString::fromLatin1(salt.toHex()), iterations, QString::fromLatin1(digest.toHex())});
    });
}

bool hasTeacherPassword(Connection &connection)
{
    return hasTable(connection) && connection.query(QStringLiteral("SELECT 1 FROM Teacher"))->next();
}

bool checkTeacherPassword(Connection &connection, const QString &password)
{
    if (!hasTable(connection))
        return false;
    auto rows = connection.query(QStringLiteral("SELECT Salt, Iterations, Digest FROM Teacher"));
    if (!rows->next())
        return false;
    const QByteArray salt = QByteArray::fromHex(rows->text(0).toLatin1());
    const int iterations = int(rows->int64(1));
    const QByteArray stored = QByteArray::fromHex(rows->text(2).toLatin1());
    if (iterations < 1 || stored.size() != digestBytes)
        return false;
    const QByteArray digest = pbkdf2Sha256(password.toUtf8(), salt, iterations, digestBytes);
    // Compared in full whatever differs first, so the time taken tells nothing.
    char difference = 0;
    for (qsizetype i = 0; i < digestBytes; ++i)
        difference = char(difference | (digest[i] ^ stored[i]));
    return difference == 0;
}

int refusalDelaySeconds(int failures)
{
    if (failures < 3)
        return 0;
    return std::min(60, 1 << std::min(failures - 2, 6));
}
