#pragma once

#include <QList>
#include <QString>

struct sqlite3;

namespace search {

class SearchQuery;

// One page found.
struct SearchHit
{
    // The page's path inside the pages folder, with '/' separators ("Glava3.htm").
    QString page;
    QString title;
    // A piece of the page's text around the words found, as HTML: the words in <b>...</b>, the
    // rest escaped.
    QString snippet;
};

// The full-text index of a folder of pages: an SQLite FTS5 file of its own (never Data.mdb),
// words folded and stemmed (search/Words.h), ranked by bm25 with the title weighing more than
// the text. One index is used by one thread at a time.
class SearchIndex
{
public:
    // Opens the index file, made if missing; ":memory:" keeps it in memory. A file written by
    // another version of the index or of the stemmer, or one that is not an index at all, is
    // emptied and filled again by update(). Throws DbError when the file cannot be used.
    explicit SearchIndex(const QString &file);
    ~SearchIndex();
    SearchIndex(const SearchIndex &) = delete;
    SearchIndex &operator=(const SearchIndex &) = delete;

    // Brings the index up to the .htm and .html pages under folder, in one transaction: a new
    // page or one whose size, times or inode changed is read again, and indexed again when its
    // bytes changed; a page gone is dropped. Returns the number of pages indexed anew.
    int update(const QString &folder);

    // Pages holding every word of the query, best first; empty for an empty query.
    QList<SearchHit> find(const SearchQuery &query, int limit = 100);

    int pageCount();

    // Where the index of the pages in folder lives: a file in the user's cache folder named
    // after the folder's real path, so that two installations never share one.
    static QString defaultFile(const QString &folder);

private:
    void create();
    bool isCurrent();

    sqlite3 *m_db = nullptr;
    QString m_file;
};

} // namespace search
