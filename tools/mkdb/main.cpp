// Builds Data.mdb from its readable sources:
//   mkdb <out.mdb> <schema.sql> <data.sql> [--pages <Glaves>] <TestN.txt>...
// The schema and the content rows run as SQL; each question file fills the table named by the
// file's base name (Test1.txt -> Test1). Everything happens in one transaction on a temporary
// file that is renamed at the end, so a failed build leaves no half-made database.
// Last it writes the course's version into System (see data/CourseTables.h), so an installed
// record can tell whether the course it holds is the installed one.
//
// Question file format (UTF-8), questions separated by blank lines, '#' starts a comment line:
//   ? Question text
//   A answer one
//   B answer two
//   C answer three
//   D answer four
//   E answer five
//   = C
//   @ Glava3.htm#principles
// The last line is optional: the place in the course that explains the question, a page in
// Glaves and an anchor on it (without "#..." the page's top); it goes into QuestionPlace. With
// --pages every page named must be in that folder and carry the anchor.

#include "data/CourseTables.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// An error with its place: "file:line: text".
struct BuildError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const std::string &where, int line, const std::string &what)
{
    throw BuildError(line > 0 ? where + ":" + std::to_string(line) + ": " + what : where + ": " + what);
}

std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        fail(path.string(), 0, "не удаётся открыть файл");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    return text;
}

// Characters as SQLite counts them: UTF-8 lead bytes.
std::size_t characters(const std::string &text)
{
    std::size_t n = 0;
    for (unsigned char c : text)
        n += (c & 0xC0) != 0x80;
    return n;
}

bool validUtf8(const std::string &text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        if (c >= 0x80) {
            if ((c >> 5) == 0x6)
                extra = 1;
            else if ((c >> 4) == 0xE)
                extra = 2;
            else if ((c >> 3) == 0x1E)
                extra = 3;
            else
                return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += extra + 1;
    }
    return true;
}

class Database
{
public:
    explicit Database(const fs::path &path) : m_path(path.string())
    {
        if (sqlite3_open_v2(m_path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
            const std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
            sqlite3_close(m_db);
            m_db = nullptr;
            fail(m_path, 0, message);
        }
    }
    ~Database() { sqlite3_close(m_db); }
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    sqlite3 *handle() const { return m_db; }

    void exec(const char *sql)
    {
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(m_path, 0, sqlite3_errmsg(m_db));
    }

    // Runs a script statement by statement, so an error names the line it starts on.
    void runScript(const fs::path &file)
    {
        const std::string script = readFile(file);
        const char *begin = script.c_str();
        const char *sql = begin;
        while (*sql) {
            sqlite3_stmt *stmt = nullptr;
            const char *tail = nullptr;
            const int line = lineOf(begin, firstToken(sql));
            if (sqlite3_prepare_v2(m_db, sql, -1, &stmt, &tail) != SQLITE_OK)
                fail(file.string(), line, sqlite3_errmsg(m_db));
            if (stmt) {
                int rc;
                while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
                }
                sqlite3_finalize(stmt);
                if (rc != SQLITE_DONE)
                    fail(file.string(), line, sqlite3_errmsg(m_db));
            }
            sql = tail;
        }
    }

    // Declared widths of the text columns of a table: TEXT(N) -> N.
    std::map<std::string, std::size_t> widths(const std::string &table, const std::string &where)
    {
        std::map<std::string, std::size_t> result;
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(m_db, "SELECT name, type FROM pragma_table_info(?)", -1, &stmt, nullptr);
        sqlite3_bind_text(stmt, 1, table.c_str(), -1, SQLITE_TRANSIENT);
        bool any = false;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            any = true;
            const std::string name = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0));
            const auto *typeText = sqlite3_column_text(stmt, 1);
            const std::string type = typeText ? reinterpret_cast<const char *>(typeText) : "";
            const auto open = type.find('(');
            const auto close = type.find(')', open == std::string::npos ? 0 : open);
            std::size_t width = 0;
            if (open != std::string::npos && close != std::string::npos) {
                try {
                    width = std::stoul(type.substr(open + 1, close - open - 1));
                } catch (const std::exception &) {
                    width = 0;
                }
            }
            result[name] = width;
        }
        sqlite3_finalize(stmt);
        if (!any)
            fail(where, 0, "в схеме нет таблицы «" + table + "»");
        return result;
    }

private:
    static const char *firstToken(const char *sql)
    {
        // Skip blanks and comments so the line is that of the statement itself.
        for (;;) {
            while (*sql == ' ' || *sql == '\t' || *sql == '\r' || *sql == '\n')
                ++sql;
            if (sql[0] == '-' && sql[1] == '-') {
                while (*sql && *sql != '\n')
                    ++sql;
                continue;
            }
            return sql;
        }
    }

    static int lineOf(const char *begin, const char *at)
    {
        int line = 1;
        for (const char *p = begin; p < at; ++p)
            line += *p == '\n';
        return line;
    }

    std::string m_path;
    sqlite3 *m_db = nullptr;
};

struct Question
{
    int line = 0;
    std::string text;
    std::string answers[5];
    std::string right;
    int placeLine = 0;
    std::string page; // empty: no place
    std::string anchor;
};

bool endsWith(const std::string &text, const std::string &end)
{
    if (text.size() < end.size())
        return false;
    return std::equal(end.rbegin(), end.rend(), text.rbegin(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

// "Glava3.htm#principles": a page file right inside Glaves and an anchor of plain characters, so
// neither can lead the reader anywhere else.
void parsePlace(const std::string &where, int line, const std::string &place, Question &q)
{
    const auto hash = place.find('#');
    q.page = place.substr(0, hash);
    q.anchor = hash == std::string::npos ? std::string() : place.substr(hash + 1);
    q.placeLine = line;
    if (q.page.empty() || q.page.find_first_of("/\\") != std::string::npos || q.page[0] == '.' ||
        !(endsWith(q.page, ".htm") || endsWith(q.page, ".html")))
        fail(where, line, "место в курсе — страница .htm или .html из папки Glaves, а не «" + place + "»");
    if (hash != std::string::npos && q.anchor.empty())
        fail(where, line, "после «#» нужно имя якоря");
    for (const char c : q.anchor) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.')
            fail(where, line, "имя якоря — латинские буквы, цифры, «-», «_» и «.», а не «" + q.anchor + "»");
    }
}

// Whether the page carries the anchor as an id or a name, in either kind of quotes.
bool hasAnchor(const std::string &page, const std::string &anchor)
{
    for (const char *attribute : {"id=", "name="}) {
        for (const char quote : {'"', '\''}) {
            if (page.find(std::string(attribute) + quote + anchor + quote) != std::string::npos)
                return true;
        }
    }
    return false;
}

std::vector<Question> parseQuestions(const fs::path &file)
{
    const std::string where = file.string();
    std::istringstream in(readFile(file));
    std::vector<Question> questions;
    Question current;
    int step = 0; // 0: expects "?", 1..5: answer A..E, 6: "=", 7: complete, 8: complete with a place
    std::string line;
    int number = 0;

    const auto finish = [&](int at) {
        if (step == 0)
            return;
        if (step < 7)
            fail(where, at,
                 "вопрос со строки " + std::to_string(current.line) + " не закончен: ожидалась " +
                     (step <= 5 ? std::string("строка «") + char('A' + step - 1) + " …»"
                                : std::string("строка «= буква»")));
        questions.push_back(current);
        current = Question{};
        step = 0;
    };

    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!validUtf8(line))
            fail(where, number, "строка не в кодировке UTF-8");
        const auto first = line.find_first_not_of(" \t");
        if (first == std::string::npos) {
            finish(number);
            continue;
        }
        if (line[first] == '#')
            continue;
        const char tag = line[first];
        std::string rest = line.substr(first + 1);
        if (!rest.empty() && rest[0] != ' ' && rest[0] != '\t')
            fail(where, number, "после «" + std::string(1, tag) + "» нужен пробел: «" + line + "»");
        const auto start = rest.find_first_not_of(" \t");
        const auto end = rest.find_last_not_of(" \t");
        rest = start == std::string::npos ? std::string() : rest.substr(start, end - start + 1);

        if (step == 7 && tag == '@') {
            parsePlace(where, number, rest, current);
            step = 8;
            continue;
        }
        if (step >= 7)
            fail(where, number, "между вопросами нужна пустая строка");
        if (step == 0) {
            if (tag != '?')
                fail(where, number, "ожидалось начало вопроса «? текст»");
            if (rest.empty())
                fail(where, number, "пустой текст вопроса");
            current.line = number;
            current.text = rest;
            step = 1;
        } else if (step <= 5) {
            const char expected = char('A' + step - 1);
            if (tag != expected)
                fail(where, number, std::string("ожидался ответ «") + expected + " текст»");
            if (rest.empty())
                fail(where, number, std::string("пустой текст ответа ") + expected);
            current.answers[step - 1] = rest;
            ++step;
        } else {
            if (tag != '=')
                fail(where, number, "ожидалась строка правильного ответа «= буква»");
            if (rest.size() != 1 || rest[0] < 'A' || rest[0] > 'E')
                fail(where, number, "правильный ответ — одна латинская буква от A до E, а не «" + rest + "»");
            current.right = rest;
            step = 7;
        }
    }
    finish(number);
    return questions;
}

void insertPlace(Database &db, const std::string &where, const std::string &table, const Question &q,
                 const fs::path &pages)
{
    if (!pages.empty()) {
        const fs::path page = pages / q.page;
        if (!fs::is_regular_file(page))
            fail(where, q.placeLine, "страницы «" + q.page + "» нет в папке " + pages.string());
        if (!q.anchor.empty() && !hasAnchor(readFile(page), q.anchor))
            fail(where, q.placeLine, "на странице «" + q.page + "» нет якоря «" + q.anchor + "»");
    }
    db.widths("QuestionPlace", where);
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db.handle(), "INSERT INTO QuestionPlace (TestTable, ID_V, Page, Anchor) VALUES (?, ?, ?, ?)",
                           -1, &stmt, nullptr) != SQLITE_OK)
        fail(where, q.placeLine, sqlite3_errmsg(db.handle()));
    sqlite3_bind_text(stmt, 1, table.c_str(), int(table.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(stmt, 2, sqlite3_last_insert_rowid(db.handle()));
    sqlite3_bind_text(stmt, 3, q.page.c_str(), int(q.page.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 4, q.anchor.c_str(), int(q.anchor.size()), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        fail(where, q.placeLine, sqlite3_errmsg(db.handle()));
}

void insertQuestions(Database &db, const fs::path &file, const fs::path &pages)
{
    const std::string where = file.string();
    const std::string table = file.stem().string();
    const std::vector<Question> questions = parseQuestions(file);

    static const char *const columns[] = {"вопрос", "отв1", "отв2", "отв3", "отв4", "отв5", "вариант"};
    const std::map<std::string, std::size_t> widths = db.widths(table, where);
    for (const char *column : columns) {
        if (!widths.count(column))
            fail(where, 0, "в таблице «" + table + "» нет поля «" + column + "»");
    }

    std::string quotedTable = "\"";
    for (char c : table)
        quotedTable += c == '"' ? std::string("\"\"") : std::string(1, c);
    quotedTable += '"';
    const std::string sql = "INSERT INTO " + quotedTable +
                            " (\"вопрос\", \"отв1\", \"отв2\", \"отв3\", \"отв4\", \"отв5\", \"вариант\")"
                            " VALUES (?, ?, ?, ?, ?, ?, ?)";
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db.handle(), sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
        fail(where, 0, sqlite3_errmsg(db.handle()));
    try {
        for (const Question &q : questions) {
            const std::string *values[] = {&q.text,       &q.answers[0], &q.answers[1], &q.answers[2],
                                           &q.answers[3], &q.answers[4], &q.right};
            for (int i = 0; i < 7; ++i) {
                const std::size_t width = widths.at(columns[i]);
                if (width > 0 && characters(*values[i]) > width)
                    fail(where, q.line,
                         std::string("текст поля «") + columns[i] + "» длиннее " + std::to_string(width) + " символов");
                sqlite3_bind_text(stmt, i + 1, values[i]->c_str(), int(values[i]->size()), SQLITE_TRANSIENT);
            }
            if (sqlite3_step(stmt) != SQLITE_DONE)
                fail(where, q.line, sqlite3_errmsg(db.handle()));
            sqlite3_reset(stmt);
            // The question's ID_V is its rowid, which the insert just gave it.
            if (!q.page.empty())
                insertPlace(db, where, table, q, pages);
        }
    } catch (...) {
        sqlite3_finalize(stmt);
        throw;
    }
    sqlite3_finalize(stmt);
}

// FNV-1a over length-prefixed pieces: stable across builds and machines, and enough to tell two
// courses apart (it guards against an unchanged course, not against forgery).
class Digest
{
public:
    void add(const void *data, std::size_t size)
    {
        addBytes(&size, sizeof size);
        addBytes(data, size);
    }
    void add(const std::string &text) { add(text.data(), text.size()); }

    std::string hex() const
    {
        char text[17];
        std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(m_hash));
        return text;
    }

private:
    void addBytes(const void *data, std::size_t size)
    {
        const auto *bytes = static_cast<const unsigned char *>(data);
        for (std::size_t i = 0; i < size; ++i) {
            m_hash ^= bytes[i];
            m_hash *= 1099511628211ULL;
        }
    }

    std::uint64_t m_hash = 14695981039346656037ULL;
};

// Runs a statement with one text bound; every row it returns, each value with its type, goes
// into the digest. Returns the number of rows.
int digestRows(Database &db, Digest *digest, const std::string &sql, const char *bound = nullptr)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db.handle(), sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
        fail("mkdb", 0, sqlite3_errmsg(db.handle()));
    if (bound)
        sqlite3_bind_text(stmt, 1, bound, -1, SQLITE_STATIC);
    int rows = 0;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        ++rows;
        for (int i = 0; digest && i < sqlite3_column_count(stmt); ++i) {
            const int type = sqlite3_column_type(stmt, i);
            digest->add(&type, sizeof type);
            if (type != SQLITE_NULL)
                digest->add(sqlite3_column_blob(stmt, i), std::size_t(sqlite3_column_bytes(stmt, i)));
        }
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        fail("mkdb", 0, sqlite3_errmsg(db.handle()));
    return rows;
}

// The course's tables (schema and rows) and its settings make its version.
void writeCourseVersion(Database &db)
{
    Digest digest;
    digestRows(db, &digest, "SELECT Name, Value FROM System WHERE Name <> ? ORDER BY rowid", course::versionKey);
    for (const char *table : course::tables) {
        digest.add(std::string(table));
        const int found = digestRows(
            db, &digest, "SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE", table);
        if (found > 0)
            digestRows(db, &digest, "SELECT * FROM \"" + std::string(table) + "\" ORDER BY rowid");
    }
    const std::string version = digest.hex();
    digestRows(db, nullptr, "DELETE FROM System WHERE Name = ?", course::versionKey);
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(db.handle(), "INSERT INTO System (Name, Value) VALUES (?, ?)", -1, &stmt, nullptr);
    sqlite3_bind_text(stmt, 1, course::versionKey, -1, SQLITE_STATIC);
    sqlite3_bind_text(stmt, 2, version.c_str(), -1, SQLITE_TRANSIENT);
    const int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        fail("System", 0, sqlite3_errmsg(db.handle()));
}

void build(const fs::path &out, const fs::path &schema, const fs::path &data, const fs::path &pages,
           const std::vector<fs::path> &tests)
{
    if (fs::exists(out))
        fail(out.string(), 0, "файл уже существует; mkdb не перезаписывает базу, удалите её перед сборкой");
    fs::path temp = out;
    temp += ".part";
    // A leftover of an interrupted build of this same file is ours to replace.
    fs::remove(temp);
    try {
        {
            Database db(temp);
            db.exec("BEGIN");
            db.runScript(schema);
            db.runScript(data);
            for (const fs::path &test : tests)
                insertQuestions(db, test, pages);
            writeCourseVersion(db);
            db.exec("COMMIT");
        }
        fs::rename(temp, out);
    } catch (...) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw;
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: mkdb <out.mdb> <schema.sql> <data.sql> [--pages <Glaves>] [TestN.txt ...]\n");
        return 2;
    }
    int first = 4;
    fs::path pages;
    if (argc > 5 && std::string(argv[4]) == "--pages") {
        pages = argv[5];
        first = 6;
    }
    std::vector<fs::path> tests;
    for (int i = first; i < argc; ++i)
        tests.emplace_back(argv[i]);
    try {
        build(argv[1], argv[2], argv[3], pages, tests);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "mkdb: %s\n", error.what());
        return 1;
    }
    return 0;
}
