// The grade sheet of a large class (1,000 students, 100,000 grades and as many attempts, ten page
// visits each): read from Data.mdb, put in the desk's model, sorted, counted for the chart.

#include "data/Connection.h"
#include "data/GradeSheet.h"
#include "desk/SheetModel.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <stdexcept>

namespace {

void run(sqlite3 *db, const QString &sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "sqlite error";
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

QString classRecord(const QTemporaryDir &dir, int students, int results)
{
    const QString file = dir.filePath(QStringLiteral("Data.mdb"));
    QFile schema(QStringLiteral(TEXTBOOK_SCHEMA_SQL));
    if (!schema.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read the schema");
    sqlite3 *db = nullptr;
    sqlite3_open(file.toUtf8().constData(), &db);
    run(db, QStringLiteral("PRAGMA synchronous = OFF; BEGIN;") + QString::fromUtf8(schema.readAll()));
    run(db, QStringLiteral(
                "INSERT INTO Glaves (Caption) VALUES ('Глава1'), ('Глава2'), ('Глава3'), ('Глава4'), ('Глава5'), "
                "('Глава6');"
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                "INSERT INTO Users (\"фамилия\", \"пароль\", \"специальность\", \"курс\", \"путь\") "
                "SELECT 'Студент ' || i, '', 'Группа ' || (i % 7), (1 + i % 2) || ' - Курс', "
                "'/opt/velanika/Glaves\\Glava' || (1 + i % 6) || '.htm' FROM n;"
                "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %2 - 1) "
                "INSERT INTO Result (ID_User, ID_glava, Ocenka) SELECT 1 + i % %1, 1 + (i / %1) % 6, 2 + i % 4 FROM n;"
                "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %2 - 1) "
                "INSERT INTO Attempt (ID_User, ID_glava, Chapter, Questions, Minutes, FinePercent, GoodPercent, "
                "BadPercent, Started, SecondsLeft, State) SELECT 1 + i % %1, 1 + i % 6, 1 + i % 6, 14, 20, 90, 75, "
                "50, '2026-01-01T00:00:00Z', 0, 'graded' FROM n;"
                "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 9) "
                "INSERT INTO PageVisit (ID_User, Page) SELECT ID, 'Glaves\\Glava' || i || '.htm' FROM Users, n;"
                "COMMIT;")
                .arg(students)
                .arg(results));
    sqlite3_close(db);
    return file;
}

void BM_OpenSheet(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString file = classRecord(dir, int(state.range(0)), int(state.range(1)));
    Connection connection;
    connection.setDatabaseFile(file);
    connection.open();
    for (auto _ : state) {
        SheetModel model;
        SheetFilter filter;
        filter.setSourceModel(&model);
        model.setSheet(readGradeSheet(connection));
        filter.sort(SheetModel::NameColumn);
        benchmark::DoNotOptimize(gradeCounts(filter.visibleSheet()));
    }
    state.counters["students"] = double(state.range(0));
}
BENCHMARK(BM_OpenSheet)->Args({1000, 100000})->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
