#include "search/SearchIndex.h"

#include "data/DbError.h"
#include "data/SqlStatement.h"
#include "search/PageText.h"
#include "search/SearchQuery.h"
#include "search/StemmingTokenizer.h"
#include "search/Words.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>

#include <sqlite3.h>
#include <sys/stat.h>

namespace search {

namespace {

// Changes whenever the tables or what goes into them change; an index of another format is
// built again.
constexpr const char *format = "1";

// What the file system says of a page; a change of any of them means the page may have changed.
// Times to the nanosecond and the change time and inode too: a page copied with its old
// modification time keeps neither its change time nor its inode.
struct FileStamp
{
    qint64 size = -1;
    qint64 modified = 0;
    qint64 changed = 0;
    qint64 inode = 0;

    bool operator==(const FileStamp &) const = default;
};

FileStamp stampOf(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    constexpr qint64 billion = 1000000000;
    return FileStamp{qint64(info.st_size), qint64(info.st_mtim.tv_sec) * billion + info.st_mtim.tv_nsec,
                     qint64(info.st_ctim.tv_sec) * billion + info.st_ctim.tv_nsec, qint64(info.st_ino)};
}

// The pages under folder by their path inside it, real paths inside the folder only: a link
// out of the folder is not the course's.
QHash<QString, QString> pagesIn(const QString &folder)
{
    QHash<QString, QString> pages;
    const QString root = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty())
        return pages;
    const QDir dir(root);
    QDirIterator it(root, {QStringLiteral("*.htm"), QStringLiteral("*.html")}, QDir::Files | QDir::Readable,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString real = QFileInfo(path).canonicalFilePath();
        if (real.isEmpty() || !real.startsWith(root + u'/'))
            continue;
        pages.insert(dir.relativeFilePath(path), path);
    }
    return pages;
}

QString snippetHtml(const QString &marked)
{
    QString html = marked.simplified().toHtmlEscaped();
    html.replace(QChar(1), QStringLiteral("<b>"));
    html.replace(QChar(2), QStringLiteral("</b>"));
    return html;
}

void exec(sqlite3 *db, const QString &file, const QString &sql, const QVariantList &values = {})
{
    SqlStatement st(db, sql, file);
    for (int i = 0; i < values.size(); ++i)
        st.bind(i + 1, values[i]);
    st.exec();
}

QString metaValue(sqlite3 *db, const QString &file, const QString &key)
{
    SqlStatement st(db, QStringLiteral("SELECT value FROM meta WHERE key = ?"), file);
    st.bindText(1, key);
    return st.step() ? st.text(0) : QString();
}

} // namespace

SearchIndex::SearchIndex(const QString &file) : m_file(file)
{
    if (file != u":memory:") {
        const QFileInfo info(file);
        QDir().mkpath(info.absolutePath());
    }
    const int rc = sqlite3_open_v2(QFile::encodeName(file).constData(), &m_db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const DbError error = SqlStatement::error(m_db, rc, file);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw error;
    }
    // Another copy of the program may be bringing the same index up to date.
    sqlite3_busy_timeout(m_db, 5000);
    try {
        registerStemmingTokenizer(m_db);
        if (!isCurrent())
            create();
    } catch (...) {
        sqlite3_close(m_db);
        m_db = nullptr;
        throw;
    }
}

SearchIndex::~SearchIndex()
{
    sqlite3_close(m_db);
}

bool SearchIndex::isCurrent()
{
    try {
        return metaValue(m_db, m_file, QStringLiteral("format")) == QString::fromLatin1(format) &&
               metaValue(m_db, m_file, QStringLiteral("stemmer")) == QString::fromStdString(stemmerFingerprint());
    } catch (const DbError &error) {
        // Another copy of the program is writing it: it is not thrown away under its feet.
        if (error.isBusy())
            throw;
        // No index yet, or no SQLite file at all: it is made anew.
        return false;
    }
}

void SearchIndex::create()
{
    // What is there is only a cache: whatever it holds goes.
    sqlite3_close(m_db);
    m_db = nullptr;
    if (m_file != u":memory:")
        QFile::remove(m_file);
    const int rc = sqlite3_open_v2(QFile::encodeName(m_file).constData(), &m_db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK)
        throw SqlStatement::error(m_db, rc, m_file);
    sqlite3_busy_timeout(m_db, 5000);
    registerStemmingTokenizer(m_db);
    exec(m_db, m_file, QStringLiteral("BEGIN IMMEDIATE"));
    try {
        exec(m_db, m_file, QStringLiteral("CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT)"));
        exec(m_db, m_file,
             QStringLiteral("CREATE TABLE IF NOT EXISTS pages (id INTEGER PRIMARY KEY, file TEXT NOT NULL UNIQUE, "
                            "size INTEGER, modified INTEGER, changed INTEGER, inode INTEGER, hash BLOB)"));
        exec(m_db, m_file,
             QStringLiteral("CREATE VIRTUAL TABLE IF NOT EXISTS page_text USING fts5(file UNINDEXED, title, body, "
                            "tokenize = '%1')")
                 .arg(QString::fromLatin1(stemmingTokenizerName)));
        exec(m_db, m_file, QStringLiteral("DELETE FROM pages"));
        exec(m_db, m_file, QStringLiteral("DELETE FROM page_text"));
        exec(m_db, m_file, QStringLiteral("INSERT OR REPLACE INTO meta VALUES ('format', ?), ('stemmer', ?)"),
             {QString::fromLatin1(format), QString::fromStdString(stemmerFingerprint())});
        exec(m_db, m_file, QStringLiteral("COMMIT"));
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

int SearchIndex::update(const QString &folder)
{
    const QHash<QString, QString> pages = pagesIn(folder);
    int indexed = 0;
    exec(m_db, m_file, QStringLiteral("BEGIN IMMEDIATE"));
    try {
        // Another folder's pages (the program moved) are all dropped.
        const QString root = QFileInfo(folder).canonicalFilePath();
        if (metaValue(m_db, m_file, QStringLiteral("folder")) != root) {
            exec(m_db, m_file, QStringLiteral("DELETE FROM pages"));
            exec(m_db, m_file, QStringLiteral("DELETE FROM page_text"));
            exec(m_db, m_file, QStringLiteral("INSERT OR REPLACE INTO meta VALUES ('folder', ?)"), {root});
        }

        struct Known
        {
            qint64 id;
            FileStamp stamp;
            QByteArray hash;
        };
        QHash<QString, Known> known;
        {
            SqlStatement st(m_db, QStringLiteral("SELECT id, file, size, modified, changed, inode, hash FROM pages"),
                            m_file);
            while (st.step())
                known.insert(st.text(1),
                             Known{st.int64(0), FileStamp{st.int64(2), st.int64(3), st.int64(4), st.int64(5)},
                                   st.value(6).toByteArray()});
        }

        for (auto it = known.cbegin(); it != known.cend(); ++it) {
            if (pages.contains(it.key()))
                continue;
            exec(m_db, m_file, QStringLiteral("DELETE FROM page_text WHERE rowid = ?"), {it->id});
            exec(m_db, m_file, QStringLiteral("DELETE FROM pages WHERE id = ?"), {it->id});
        }

        for (auto it = pages.cbegin(); it != pages.cend(); ++it) {
            const FileStamp stamp = stampOf(it.value());
            const auto old = known.constFind(it.key());
            if (old != known.cend() && old->stamp == stamp)
                continue;
            QFile file(it.value());
            if (!file.open(QIODevice::ReadOnly))
                continue; // unreadable now: left as it was
            const QByteArray bytes = file.readAll();
            const QByteArray hash = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
            if (old != known.cend() && old->hash == hash) {
                exec(m_db, m_file,
                     QStringLiteral("UPDATE pages SET size = ?, modified = ?, changed = ?, inode = ? "
                                    "WHERE id = ?"),
                     {stamp.size, stamp.modified, stamp.changed, stamp.inode, old->id});
                continue;
            }
            PageText text = pageText(decodePage(bytes));
            if (text.title.isEmpty())
                text.title = QFileInfo(it.key()).completeBaseName();
            if (old != known.cend()) {
                exec(m_db, m_file, QStringLiteral("DELETE FROM page_text WHERE rowid = ?"), {old->id});
                exec(m_db, m_file, QStringLiteral("DELETE FROM pages WHERE id = ?"), {old->id});
            }
            exec(m_db, m_file,
                 QStringLiteral("INSERT INTO pages (file, size, modified, changed, inode, hash) "
                                "VALUES (?, ?, ?, ?, ?, ?)"),
                 {it.key(), stamp.size, stamp.modified, stamp.changed, stamp.inode, hash});
            exec(m_db, m_file, QStringLiteral("INSERT INTO page_text (rowid, file, title, body) VALUES (?, ?, ?, ?)"),
                 {qint64(sqlite3_last_insert_rowid(m_db)), it.key(), text.title, text.text});
            ++indexed;
        }
        exec(m_db, m_file, QStringLiteral("COMMIT"));
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    return indexed;
}

QList<SearchHit> SearchIndex::find(const SearchQuery &query, int limit)
{
    QList<SearchHit> hits;
    if (query.isEmpty())
        return hits;
    // Ordered by the index itself, which then makes snippets only for the rows returned.
    SqlStatement st(m_db,
                    QStringLiteral("SELECT file, title, snippet(page_text, 2, char(1), char(2), '…', 24) "
                                   "FROM page_text WHERE page_text MATCH ? AND rank MATCH 'bm25(0.0, 10.0, 1.0)' "
                                   "ORDER BY rank LIMIT ?"),
                    m_file);
    st.bindText(1, query.match());
    st.bindInt64(2, limit);
    while (st.step())
        hits << SearchHit{st.text(0), st.text(1), snippetHtml(st.text(2))};
    return hits;
}

int SearchIndex::pageCount()
{
    SqlStatement st(m_db, QStringLiteral("SELECT count(*) FROM pages"), m_file);
    return st.step() ? int(st.int64(0)) : 0;
}

QString SearchIndex::defaultFile(const QString &folder)
{
    QString real = QFileInfo(folder).canonicalFilePath();
    if (real.isEmpty())
        real = QFileInfo(folder).absoluteFilePath();
    const QByteArray name = QCryptographicHash::hash(real.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/velanika/search-%1.sqlite").arg(QString::fromLatin1(name));
}

} // namespace search
