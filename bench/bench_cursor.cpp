// Costs of the table cursor on large tables: open, locate, post, re-read and the detail that
// follows its master. The databases are generated once per size in a temporary folder.

#include "data/Connection.h"
#include "data/TableCursor.h"
#include "data/Unit8.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <map>
#include <memory>
#include <stdexcept>

namespace {

QTemporaryDir &tempDir()
{
    static QTemporaryDir dir;
    return dir;
}

void run(sqlite3 *db, const QString &sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "sqlite error";
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

// A database with `users` students (two results each) and `questions` rows in Test1.
QString database(int users, int questions)
{
    static std::map<std::pair<int, int>, QString> made;
    const auto key = std::make_pair(users, questions);
    if (made.count(key))
        return made[key];
    const QString file = tempDir().filePath(QStringLiteral("Data-%1-%2.mdb").arg(users).arg(questions));
    QFile schema(QStringLiteral(TEXTBOOK_SCHEMA_SQL));
    if (!schema.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read the schema");
    sqlite3 *db = nullptr;
    sqlite3_open(file.toUtf8().constData(), &db);
    run(db, QStringLiteral("PRAGMA synchronous = OFF; BEGIN;") + QString::fromUtf8(schema.readAll()));
    run(db, QStringLiteral("INSERT INTO System (Name, Value) VALUES ('Min', '20'), ('FinePercent', '90');"
                           "INSERT INTO Glaves (Caption) VALUES ('Глава1'), ('Глава2'), ('Глава3');"));
    run(db, QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                           "INSERT INTO Users (\"фамилия\", \"пароль\", \"специальность\", \"курс\", \"путь\") "
                           "SELECT 'Студент ' || i, 'пароль', 'Психология', '1 - Курс', "
                           "'/home/student/Веланика/Glaves/Введение.htm' FROM n;"
                           "INSERT INTO Result (ID_User, ID_glava, Ocenka) SELECT ID, 1, 4 FROM Users;"
                           "INSERT INTO Result (ID_User, ID_glava, Ocenka) SELECT ID, 2, 0 FROM Users;")
                .arg(users));
    if (questions > 0)
        run(db, QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                               "INSERT INTO Test1 (\"вопрос\", \"отв1\", \"отв2\", \"отв3\", \"отв4\", \"отв5\", "
                               "\"вариант\") SELECT 'Вопрос номер ' || i || ' о ведении обучающегося?', "
                               "'ответ A', 'ответ B', 'ответ C', 'ответ D', 'ответ E', 'C' FROM n")
                    .arg(questions));
    run(db, QStringLiteral("COMMIT"));
    sqlite3_close(db);
    made[key] = file;
    return file;
}

struct Users
{
    Connection connection;
    std::unique_ptr<TableCursor> cursor;

    explicit Users(int rows)
    {
        connection.setDatabaseFile(database(rows, 0));
        cursor = std::make_unique<TableCursor>(&connection, QStringLiteral("Users"));
        cursor->setDeclaredFields({QStringLiteral("ID"), QStringLiteral("фамилия"), QStringLiteral("пароль"),
                                   QStringLiteral("специальность"), QStringLiteral("курс"), QStringLiteral("путь")});
        connection.open();
    }
};

void BM_Open(benchmark::State &state)
{
    Users users(int(state.range(0)));
    for (auto _ : state) {
        users.cursor->open();
        benchmark::DoNotOptimize(users.cursor->fieldByName(QStringLiteral("фамилия")).asString());
        state.PauseTiming();
        users.cursor->close();
        state.ResumeTiming();
    }
}

void locateBenchmark(benchmark::State &state, bool partial, bool folded)
{
    const int rows = int(state.range(0));
    Users users(rows);
    users.cursor->open();
    LocateOptions options;
    if (partial)
        options |= LocateOption::PartialKey;
    if (folded)
        options |= LocateOption::CaseInsensitive;
    int i = 0;
    for (auto _ : state) {
        i = (i * 7919 + 13) % rows;
        QString key = QStringLiteral("Студент %1").arg(i + 1);
        if (folded)
            key = key.toUpper();
        if (!users.cursor->locate(QStringLiteral("фамилия"), key, options))
            state.SkipWithError("not found");
    }
}

void BM_LocateExact(benchmark::State &state)
{
    locateBenchmark(state, false, false);
}

void BM_LocatePartial(benchmark::State &state)
{
    locateBenchmark(state, true, false);
}

void BM_LocatePartialFolded(benchmark::State &state)
{
    locateBenchmark(state, true, true);
}

// A prefix that every row has: the first row in cursor order wins.
void BM_LocatePartialCommonPrefix(benchmark::State &state)
{
    Users users(int(state.range(0)));
    users.cursor->open();
    for (auto _ : state) {
        users.cursor->last();
        if (!users.cursor->locate(QStringLiteral("фамилия"), QStringLiteral("Студ"), LocateOption::PartialKey))
            state.SkipWithError("not found");
    }
}

// Registration: a new row, on disk when post returns.
void BM_PostNewRow(benchmark::State &state)
{
    Users users(int(state.range(0)));
    users.cursor->open();
    int i = 0;
    for (auto _ : state) {
        users.cursor->append();
        users.cursor->fieldByName(QStringLiteral("фамилия")).setAsString(QStringLiteral("Новый %1").arg(++i));
        users.cursor->fieldByName(QStringLiteral("пароль")).setAsString(QStringLiteral("секрет"));
        users.cursor->fieldByName(QStringLiteral("специальность")).setAsString(QStringLiteral("Психология"));
        users.cursor->fieldByName(QStringLiteral("курс")).setAsString(QStringLiteral("2 - Курс"));
        users.cursor->post();
    }
    // Keep the table at its size for the next runs.
    users.cursor->close();
    users.connection.inTransaction([&] {
        sqlite3_exec(users.connection.handle(), "DELETE FROM Users WHERE \"фамилия\" LIKE 'Новый %'", nullptr, nullptr,
                     nullptr);
    });
}

// The reader storing the page seen last.
void BM_EditPost(benchmark::State &state)
{
    const int rows = int(state.range(0));
    Users users(rows);
    users.cursor->open();
    users.cursor->setRecNo(rows / 2);
    int i = 0;
    for (auto _ : state) {
        users.cursor->edit();
        users.cursor->fieldByName(QStringLiteral("путь"))
            .setAsString(QStringLiteral("Glaves/Glava%1.htm").arg(++i % 6));
        users.cursor->post();
    }
}

void BM_Refresh(benchmark::State &state)
{
    const int rows = int(state.range(0));
    Users users(rows);
    users.cursor->open();
    users.cursor->setRecNo(rows / 2);
    for (auto _ : state)
        users.cursor->refresh();
}

// The results cursor following a move of the students cursor.
void BM_DetailFollowsMaster(benchmark::State &state)
{
    const int rows = int(state.range(0));
    Users users(rows);
    TableCursor results(&users.connection, QStringLiteral("Result"));
    setUpResultCursor(&results, users.cursor.get());
    users.cursor->open();
    results.open();
    int i = 0;
    for (auto _ : state) {
        i = (i * 7919 + 13) % rows;
        users.cursor->setRecNo(i);
        benchmark::DoNotOptimize(results.field(3).asString());
    }
}

struct Questions
{
    Connection connection;
    TableCursor cursor{&connection, QStringLiteral("Test1")};

    explicit Questions(int rows) { connection.setDatabaseFile(database(10, rows)); }
};

void BM_QuestionsOpen(benchmark::State &state)
{
    Questions questions(int(state.range(0)));
    for (auto _ : state) {
        questions.cursor.open();
        state.PauseTiming();
        questions.cursor.close();
        state.ResumeTiming();
    }
}

// A whole test: every question read by position, as the test window does.
void BM_QuestionsWalk(benchmark::State &state)
{
    Questions questions(int(state.range(0)));
    questions.cursor.open();
    for (auto _ : state) {
        for (questions.cursor.first(); !questions.cursor.eof(); questions.cursor.next()) {
            for (int column = 1; column <= 7; ++column)
                benchmark::DoNotOptimize(questions.cursor.field(column).asString());
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_QuestionsLocate(benchmark::State &state)
{
    const int rows = int(state.range(0));
    Questions questions(rows);
    questions.cursor.open();
    int i = 0;
    for (auto _ : state) {
        i = (i * 7919 + 13) % rows;
        const QString text = QStringLiteral("Вопрос номер %1 о ведении обучающегося?").arg(i + 1);
        if (!questions.cursor.locate(QStringLiteral("вопрос"), text))
            state.SkipWithError("not found");
    }
}

void BM_QuestionsPost(benchmark::State &state)
{
    Questions questions(int(state.range(0)));
    questions.cursor.open();
    questions.cursor.setRecNo(int(state.range(0)) / 2);
    int i = 0;
    for (auto _ : state) {
        questions.cursor.edit();
        // A changed value: SQLite writes nothing for an unchanged one.
        questions.cursor.field(7).setAsString(++i % 2 ? QStringLiteral("B") : QStringLiteral("D"));
        questions.cursor.post();
    }
}

} // namespace

BENCHMARK(BM_Open)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LocateExact)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LocatePartial)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LocatePartialCommonPrefix)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LocatePartialFolded)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PostNewRow)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EditPost)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Refresh)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DetailFollowsMaster)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QuestionsOpen)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuestionsWalk)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QuestionsLocate)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QuestionsPost)->Arg(10000)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
