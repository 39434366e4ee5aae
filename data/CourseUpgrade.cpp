#include "data/CourseUpgrade.h"

#include "data/Connection.h"
#include "data/CourseTables.h"
#include "data/DbError.h"
#include "data/SqlName.h"
#include "data/SqlStatement.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QSet>
#include <QStringList>

#include <sqlite3.h>

#include <algorithm>
#include <utility>

namespace {

// The installed file is attached under this name; the record is "main".
constexpr const char *installedSchema = "course";

class Upgrade
{
public:
    Upgrade(Connection &record, QString installed) : m_record(record), m_installed(std::move(installed)) {}

    QString versionIn(const QString &schema)
    {
        if (!hasTable(schema, QStringLiteral("System")))
            return {};
        SqlStatement st(db(), QStringLiteral("SELECT Value FROM %1.System WHERE Name = ?").arg(schema), file(schema));
        st.bindText(1, QString::fromLatin1(course::versionKey));
        return st.step() ? st.text(0) : QString();
    }

    void run()
    {
        const Chapters chapters = readChapters();
        for (const char *name : course::tables) {
            const QString table = QString::fromLatin1(name);
            if (!hasTable(QString::fromLatin1(installedSchema), table))
                continue; // a course without the table leaves the record's alone
            m_record.execute(QStringLiteral("DROP TABLE IF EXISTS main.") + sql::quotedName(table));
            copyTable(table);
        }
        placeChapters(chapters);
        addMissingTables();
        mergeSettings();
    }

private:
    struct Chapter
    {
        qint64 id;
        QString caption;
    };
    struct Chapters
    {
        QList<Chapter> record;
        QSet<qint64> graded; // chapter IDs that Result refers to
    };

    sqlite3 *db() { return m_record.handle(); }
    QString file(const QString &schema) const { return schema == u"main" ? m_record.databaseFile() : m_installed; }

    bool hasTable(const QString &schema, const QString &table)
    {
        SqlStatement st(
            db(),
            QStringLiteral("SELECT 1 FROM %1.sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE")
                .arg(schema),
            file(schema));
        st.bindText(1, table);
        return st.step();
    }

    QStringList texts(const QString &sql, const QVariantList &values = {})
    {
        SqlStatement st(db(), sql, m_installed);
        for (int i = 0; i < values.size(); ++i)
            st.bind(i + 1, values.at(i));
        QStringList result;
        while (st.step())
            result << st.text(0);
        return result;
    }

    QList<Chapter> chaptersIn(const QString &schema)
    {
        QList<Chapter> result;
        if (!hasTable(schema, QStringLiteral("Glaves")))
            return result;
        SqlStatement st(db(), QStringLiteral("SELECT ID_Glava, Caption FROM %1.Glaves ORDER BY rowid").arg(schema),
                        file(schema));
        while (st.step())
            result.append({st.int64(0), st.text(1)});
        return result;
    }

    Chapters readChapters()
    {
        Chapters chapters;
        chapters.record = chaptersIn(QStringLiteral("main"));
        if (hasTable(QStringLiteral("main"), QStringLiteral("Result"))) {
            SqlStatement st(db(),
                            QStringLiteral("SELECT DISTINCT ID_glava FROM main.Result WHERE ID_glava IS NOT NULL"),
                            m_record.databaseFile());
            while (st.step())
                chapters.graded.insert(st.int64(0));
        }
        return chapters;
    }

    // The table made in the record as the installed file declares it, with its indexes and rows.
    void copyTable(const QString &table)
    {
        const QString schema = QString::fromLatin1(installedSchema);
        const QStringList create =
            texts(QStringLiteral("SELECT sql FROM %1.sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE")
                      .arg(schema),
                  {table});
        // Unqualified, CREATE makes the table and its indexes in main.
        m_record.execute(create.value(0));
        const QStringList indexes = texts(QStringLiteral("SELECT sql FROM %1.sqlite_master WHERE type = 'index' AND "
                                                         "tbl_name = ? COLLATE NOCASE AND sql IS NOT NULL")
                                              .arg(schema),
                                          {table});
        for (const QString &index : indexes)
            m_record.execute(index);
        m_record.execute(QStringLiteral("INSERT INTO main.%1 SELECT * FROM %2.%1 ORDER BY rowid")
                             .arg(sql::quotedName(table), schema));
    }

    // The installed chapters came with the installed IDs; each takes the ID the record's grades
    // know it by, and a chapter that only grades still name is kept.
    void placeChapters(const Chapters &chapters)
    {
        const QList<Chapter> installed = chaptersIn(QString::fromLatin1(installedSchema));
        if (installed.isEmpty() && chapters.record.isEmpty())
            return;
        QHash<QString, QList<qint64>> recordIds; // by caption, lowest ID first
        QList<Chapter> byId = chapters.record;
        std::sort(byId.begin(), byId.end(), [](const Chapter &a, const Chapter &b) { return a.id < b.id; });
        for (const Chapter &c : byId)
            recordIds[c.caption].append(c.id);

        QSet<qint64> taken = chapters.graded;
        QHash<qint64, qint64> newId; // installed ID -> ID in the record
        QList<qint64> unmatched;
        for (const Chapter &c : installed) {
            QList<qint64> &same = recordIds[c.caption];
            if (same.isEmpty()) {
                unmatched.append(c.id);
                continue;
            }
            const qint64 id = same.takeFirst();
            newId.insert(c.id, id);
            taken.insert(id);
        }
        qint64 next = 0;
        for (const qint64 id : taken)
            next = std::max(next, id);
        for (const Chapter &c : installed)
            next = std::max(next, c.id);
        for (const Chapter &c : chapters.record)
            next = std::max(next, c.id);
        ++next;
        for (const qint64 id : unmatched) {
            const qint64 placed = taken.contains(id) ? next++ : id;
            newId.insert(id, placed);
            taken.insert(placed);
        }

        // Through negative IDs, so no step meets an ID another row still holds.
        for (auto it = newId.cbegin(); it != newId.cend(); ++it) {
            if (it.key() != it.value())
                m_record.execute(QStringLiteral("UPDATE main.Glaves SET ID_Glava = ? WHERE ID_Glava = ?"),
                                 {-it.value(), it.key()});
        }
        m_record.execute(QStringLiteral("UPDATE main.Glaves SET ID_Glava = -ID_Glava WHERE ID_Glava < 0"));

        QSet<qint64> placedIds;
        for (const qint64 id : newId)
            placedIds.insert(id);
        for (const Chapter &c : chapters.record) {
            if (chapters.graded.contains(c.id) && !placedIds.contains(c.id)) {
                m_record.execute(QStringLiteral("INSERT INTO main.Glaves (ID_Glava, Caption) VALUES (?, ?)"),
                                 {c.id, c.caption});
                placedIds.insert(c.id);
            }
        }
    }

    void addMissingTables()
    {
        const QStringList tables = texts(
            QStringLiteral("SELECT name FROM %1.sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
                           "ESCAPE '\\' ORDER BY rowid")
                .arg(QString::fromLatin1(installedSchema)));
        for (const QString &table : tables) {
            if (!hasTable(QStringLiteral("main"), table))
                copyTable(table);
        }
    }

    void mergeSettings()
    {
        const QString key = QString::fromLatin1(course::versionKey);
        const QString schema = QString::fromLatin1(installedSchema);
        m_record.execute(QStringLiteral("INSERT INTO main.System (Name, Value) SELECT t.Name, t.Value FROM %1.System t "
                                        "WHERE t.Name <> ? AND NOT EXISTS "
                                        "(SELECT 1 FROM main.System m WHERE m.Name = t.Name) ORDER BY t.rowid")
                             .arg(schema),
                         {key});
        const QString version = versionIn(schema);
        m_record.execute(QStringLiteral("DELETE FROM main.System WHERE Name = ?"), {key});
        m_record.execute(QStringLiteral("INSERT INTO main.System (Name, Value) VALUES (?, ?)"), {key, version});
    }

    Connection &m_record;
    QString m_installed;
};

QString backupPath(const QString &record, const QDate &today)
{
    const QString base = record + QStringLiteral(".bak-") + today.toString(Qt::ISODate);
    QString path = base;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = base + u'-' + QString::number(n);
    return path;
}

// A consistent copy through SQLite's backup, taken while the upgrade's transaction holds off
// every other writer, so it is the record just before the change. It reads through a connection
// of its own: SQLite does not copy from a connection that is inside a write transaction. The
// file is made first with the record's permissions: a class's record holds passwords, and its
// copy must be no easier to read.
void writeBackup(const QString &record, const QString &path)
{
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw DbError(
                QStringLiteral("Не удалось создать резервную копию базы данных %1: %2").arg(path, file.errorString()));
        constexpr QFile::Permissions notCopied =
            QFile::ReadUser | QFile::WriteUser | QFile::ExeUser | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        file.setPermissions(QFileInfo(record).permissions() & ~notCopied);
    }
    sqlite3 *source = nullptr;
    sqlite3 *copy = nullptr;
    const auto fail = [&](sqlite3 *db, int rc, const QString &file) {
        const DbError error = SqlStatement::error(db, rc, file);
        sqlite3_close_v2(source);
        sqlite3_close_v2(copy);
        QFile::remove(path);
        throw error;
    };
    int rc = sqlite3_open_v2(QFile::encodeName(record).constData(), &source, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK)
        fail(source, rc, record);
    rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &copy, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK)
        fail(copy, rc, path);
    sqlite3_busy_timeout(source, 5000);
    sqlite3_backup *backup = sqlite3_backup_init(copy, "main", source, "main");
    if (!backup)
        fail(copy, sqlite3_errcode(copy), path);
    rc = sqlite3_backup_step(backup, -1);
    const int finished = sqlite3_backup_finish(backup);
    if (rc == SQLITE_DONE)
        rc = finished;
    if (rc != SQLITE_OK)
        fail(copy, rc, path);
    sqlite3_close_v2(source);
    sqlite3_close_v2(copy);
}

} // namespace

QString upgradeCourse(const QString &record, const QString &installed, const QDate &today)
{
    if (!QFileInfo::exists(installed))
        return {};
    if (QFileInfo(record).canonicalFilePath() == QFileInfo(installed).canonicalFilePath())
        return {};
    Connection::checkDatabaseFile(installed);

    Connection connection;
    connection.setDatabaseFile(record);
    connection.open();
    connection.execute(QStringLiteral("ATTACH DATABASE ? AS ") + QString::fromLatin1(installedSchema), {installed});
    Upgrade upgrade(connection, installed);
    const QString wanted = upgrade.versionIn(QString::fromLatin1(installedSchema));
    if (wanted.isEmpty() || upgrade.versionIn(QStringLiteral("main")) == wanted)
        return {};

    QString backup;
    try {
        connection.inTransaction([&] {
            // Another copy of the program may have brought the record up meanwhile.
            if (upgrade.versionIn(QStringLiteral("main")) == wanted)
                return;
            // A retry after a busy file copies the record afresh.
            if (!backup.isEmpty())
                QFile::remove(backup);
            backup = backupPath(connection.databaseFile(), today);
            writeBackup(connection.databaseFile(), backup);
            upgrade.run();
        });
    } catch (...) {
        if (!backup.isEmpty())
            QFile::remove(backup);
        throw;
    }
    return backup;
}
