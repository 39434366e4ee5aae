#include "search/StemmingTokenizer.h"

#include "data/DbError.h"
#include "search/Words.h"

#include <sqlite3.h>

#include <new>

namespace search {

namespace {

struct Instance
{
    Stemmer stemmer;
    std::string stem;
    std::string alternate;
};

int create(void *, const char **, int, Fts5Tokenizer **out)
{
    try {
        *out = reinterpret_cast<Fts5Tokenizer *>(new Instance);
        return SQLITE_OK;
    } catch (const std::bad_alloc &) {
        return SQLITE_NOMEM;
    }
}

void destroy(Fts5Tokenizer *tokenizer)
{
    delete reinterpret_cast<Instance *>(tokenizer);
}

int tokenize(Fts5Tokenizer *tokenizer, void *context, int flags, const char *text, int length,
             int (*token)(void *, int, const char *, int, int, int))
{
    auto *self = reinterpret_cast<Instance *>(tokenizer);
    // Snippets read a page again only to learn where its n-th word lies: the words need no
    // stems then, which makes a snippet several times cheaper.
    const bool placesOnly = flags == FTS5_TOKENIZE_AUX;
    // A prefix query ("оценка*") is stemmed too: stemming only shortens a word, so the stem
    // still begins every word the typed start begins, and more of their forms.
    int rc = SQLITE_OK;
    try {
        forEachWord(std::string_view(text, length > 0 ? static_cast<size_t>(length) : 0), [&](const Word &word) {
            if (rc != SQLITE_OK)
                return;
            if (placesOnly) {
                rc = token(context, 0, word.folded.data(), static_cast<int>(word.folded.size()), word.start, word.end);
                return;
            }
            self->stemmer.stem(word.folded, self->stem, self->alternate);
            rc = token(context, 0, self->stem.data(), static_cast<int>(self->stem.size()), word.start, word.end);
            if (rc == SQLITE_OK && !self->alternate.empty())
                rc = token(context, FTS5_TOKEN_COLOCATED, self->alternate.data(),
                           static_cast<int>(self->alternate.size()), word.start, word.end);
        });
    } catch (const std::bad_alloc &) {
        return SQLITE_NOMEM;
    }
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

fts5_api *fts5Of(sqlite3 *db)
{
    fts5_api *api = nullptr;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_pointer(statement, 1, static_cast<void *>(&api), "fts5_api_ptr", nullptr);
        sqlite3_step(statement);
    }
    sqlite3_finalize(statement);
    return api && api->iVersion >= 2 ? api : nullptr;
}

} // namespace

void registerStemmingTokenizer(sqlite3 *db)
{
    fts5_api *api = fts5Of(db);
    if (!api)
        throw DbError(QStringLiteral("Библиотека SQLite собрана без полнотекстового поиска FTS5: поиск по учебнику "
                                     "недоступен."));
    static fts5_tokenizer methods{create, destroy, tokenize};
    if (api->xCreateTokenizer(api, stemmingTokenizerName, nullptr, &methods, nullptr) != SQLITE_OK)
        throw DbError(
            QStringLiteral("Не удалось подготовить поиск по учебнику: %1").arg(QString::fromUtf8(sqlite3_errmsg(db))));
}

} // namespace search
