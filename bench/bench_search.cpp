// Costs of the full-text search: one query on the demo course, and building the index of and
// querying a generated course of 2,000 pages made of the demo course's own words; and the
// reader's search pane from the last key typed to the list of pages drawn, on both courses.
// Run with QT_QPA_PLATFORM=offscreen.

#include "reader/SearchPane.h"
#include "reader/SearchResults.h"
#include "search/CourseSearch.h"
#include "search/PageText.h"
#include "search/SearchIndex.h"
#include "search/SearchQuery.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <stdexcept>

namespace {

const QString demoPages = QStringLiteral(TEXTBOOK_CONTENT_DIR "/Glaves");

QTemporaryDir &tempDir()
{
    static QTemporaryDir dir;
    return dir;
}

QStringList demoWords()
{
    QStringList words;
    QDirIterator it(demoPages, {QStringLiteral("*.htm"), QStringLiteral("*.html")}, QDir::Files);
    while (it.hasNext()) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly))
            throw std::runtime_error("cannot read a demo page");
        words += search::pageText(search::decodePage(file.readAll()))
                     .text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    }
    return words;
}

// A course of `pages` pages of about 1,500 words each (the size of a demo chapter), in paragraphs
// of the demo course's words in random order; the same course every run.
QString generatedCourse(int pages)
{
    const QString folder = tempDir().filePath(QStringLiteral("course-%1").arg(pages));
    if (QDir(folder).exists())
        return folder;
    QDir().mkpath(folder);
    const QStringList words = demoWords();
    QRandomGenerator random(17);
    for (int p = 0; p < pages; ++p) {
        QString html =
            QStringLiteral("<html><head><meta charset=\"utf-8\"><title>Страница %1</title></head><body>").arg(p);
        for (int paragraph = 0; paragraph < 30; ++paragraph) {
            html += QStringLiteral("<p class=MsoNormal>");
            for (int w = 0; w < 50; ++w)
                html += words[random.bounded(int(words.size()))] + u' ';
            html += QStringLiteral("</p>\n");
        }
        html += QStringLiteral("</body></html>");
        QFile file(QStringLiteral("%1/page%2.htm").arg(folder).arg(p));
        if (!file.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot write a page");
        file.write(html.toUtf8());
    }
    return folder;
}

search::SearchIndex &indexOf(const QString &folder)
{
    static std::map<QString, std::unique_ptr<search::SearchIndex>> made;
    auto &index = made[folder];
    if (!index) {
        index = std::make_unique<search::SearchIndex>(tempDir().filePath(QStringLiteral("%1.sqlite").arg(made.size())));
        index->update(folder);
    }
    return *index;
}

void query(benchmark::State &state, const QString &folder, const QString &typed)
{
    search::SearchIndex &index = indexOf(folder);
    qsizetype found = 0;
    for (auto _ : state) {
        // What a key press costs: the typed text read as a query and the hits with their snippets.
        const QList<search::SearchHit> hits = index.find(search::SearchQuery(typed), int(state.range(0)));
        found = hits.size();
        benchmark::DoNotOptimize(hits.data());
    }
    state.counters["hits"] = double(found);
}

void BM_QueryDemoCourse(benchmark::State &state)
{
    query(state, demoPages, QStringLiteral("оценка"));
}
BENCHMARK(BM_QueryDemoCourse)->Unit(benchmark::kMillisecond)->Arg(100);

void BM_QueryDemoCoursePhrase(benchmark::State &state)
{
    query(state, demoPages, QStringLiteral("\"цикл ведения\""));
}
BENCHMARK(BM_QueryDemoCoursePhrase)->Unit(benchmark::kMillisecond)->Arg(100);

void BM_BuildIndex2000Pages(benchmark::State &state)
{
    const QString folder = generatedCourse(2000);
    int run = 0;
    for (auto _ : state) {
        // A new file each time: the first start after installation.
        search::SearchIndex index(tempDir().filePath(QStringLiteral("build-%1.sqlite").arg(run++)));
        state.counters["pages"] = index.update(folder);
    }
}
BENCHMARK(BM_BuildIndex2000Pages)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_CheckUnchanged2000Pages(benchmark::State &state)
{
    const QString folder = generatedCourse(2000);
    search::SearchIndex &index = indexOf(folder);
    // Every later start: the pages are compared with what the index recorded.
    for (auto _ : state)
        benchmark::DoNotOptimize(index.update(folder));
}
BENCHMARK(BM_CheckUnchanged2000Pages)->Unit(benchmark::kMillisecond);

void BM_Query2000Pages(benchmark::State &state)
{
    query(state, generatedCourse(2000), QStringLiteral("оценка"));
}
BENCHMARK(BM_Query2000Pages)->Unit(benchmark::kMillisecond)->Arg(1)->Arg(20)->Arg(50)->Arg(100);

void BM_Query2000PagesTwoWords(benchmark::State &state)
{
    query(state, generatedCourse(2000), QStringLiteral("обратная связь"));
}
BENCHMARK(BM_Query2000PagesTwoWords)->Unit(benchmark::kMillisecond)->Arg(100);

// The last key of the words typed into the reader's pane, to the list of pages found drawn.
void typeIntoPane(benchmark::State &state, const QString &folder)
{
    QTemporaryDir cache;
    search::CourseSearch search(folder, cache.filePath(QStringLiteral("index.sqlite")));
    search.start();
    search.waitForReady();
    reader::SearchPane pane(&search);
    pane.resize(692, 521);
    pane.show();
    pane.SearchEdit->setText(QStringLiteral("оценк"));
    QApplication::processEvents();
    bool last = false;
    for (auto _ : state) {
        // Two words that differ in their last letter, as a key typed or taken back.
        pane.SearchEdit->setText(last ? QStringLiteral("оценка") : QStringLiteral("оценки"));
        pane.SearchResults->viewport()->repaint();
        last = !last;
    }
    state.counters["hits"] = pane.results()->rowCount();
}

void BM_TypeToListDemoCourse(benchmark::State &state)
{
    typeIntoPane(state, demoPages);
}
BENCHMARK(BM_TypeToListDemoCourse)->Unit(benchmark::kMillisecond);

void BM_TypeToList2000Pages(benchmark::State &state)
{
    typeIntoPane(state, generatedCourse(2000));
}
BENCHMARK(BM_TypeToList2000Pages)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
