#pragma once

struct sqlite3;

namespace search {

// The name an FTS5 table gives in its tokenize option to fold and stem its words (search/Words.h).
inline constexpr const char *stemmingTokenizerName = "velanika_stem";

// Makes the tokenizer known to one connection; every connection that reads or writes the index
// needs it. Throws DbError when the SQLite library has no FTS5.
void registerStemmingTokenizer(sqlite3 *db);

} // namespace search
