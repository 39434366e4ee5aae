// The search library: words and their forms, the text of pages, the index kept up to the pages.

#include "data/DbError.h"
#include "search/CourseSearch.h"
#include "search/PageText.h"
#include "search/SearchIndex.h"
#include "search/SearchQuery.h"
#include "search/Words.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>

using namespace search;

namespace {

void writePage(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray page(const QString &title, const QString &body)
{
    return QStringLiteral("<html><head><meta charset=\"utf-8\"><title>%1</title></head><body>%2</body></html>")
        .arg(title, body)
        .toUtf8();
}

// Space-separated words as a list.
QStringList names(const char *words)
{
    return QString::fromUtf8(words).split(u' ', Qt::SkipEmptyParts);
}

QStringList pagesOf(const QList<SearchHit> &hits)
{
    QStringList pages;
    for (const SearchHit &hit : hits)
        pages << hit.page;
    pages.sort();
    return pages;
}

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void words_data();
    void words();
    void pageText_data();
    void pageText();
    void decoding_data();
    void decoding();
    void queries_data();
    void queries();
    void wordsFoundInPage();
    void snippetMarksTheFormFound();
    void titleRanksAboveText();
    void changedPagesFoundByTheirNewText();
    void foreignIndexFileIsRebuilt();
    void unwritableCacheSearchesInMemory();

private:
    QTemporaryDir m_dir;
    QString m_course;
};

void TestSearch::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_course = m_dir.filePath(QStringLiteral("course"));
    const QString c = m_course + u'/';
    writePage(c + QStringLiteral("a.htm"), page(QStringLiteral("Первая"), QStringLiteral("<p>Оценка знаний.</p>")));
    writePage(c + QStringLiteral("b.htm"),
              page(QStringLiteral("Вторая"), QStringLiteral("<p>Шкала оценок и ещё раз шкала.</p>")));
    writePage(c + QStringLiteral("c.htm"),
              page(QStringLiteral("Третья"), QStringLiteral("<p>Формирующее оценивание.</p><p>С оцениванием</p>")));
    writePage(c + QStringLiteral("d.htm"),
              page(QStringLiteral("Четвёртая"), QStringLiteral("<p>Цикл ведения занятий. Учёба идёт.</p>")));
    writePage(c + QStringLiteral("sub/e.html"),
              page(QStringLiteral("Пятая"), QStringLiteral("<p>Students and assessment. Ведения цикл</p>")));
    // Not pages.
    writePage(c + QStringLiteral("notes.txt"), "оценка");
    writePage(c + QStringLiteral("images/x.css"), "оценка");
}

void TestSearch::words_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("folded");
    QTest::newRow("case and ё") << QStringLiteral("Ещё ЁЛКА") << names("еще елка");
    QTest::newRow("stress mark and soft hyphen inside a word")
        << QStringLiteral("оце\u0301н\u00ADка") << names("оценка");
    QTest::newRow("punctuation and hyphens part words")
        << QStringLiteral("что-то, «цикл»—ведения; don't") << names("что то цикл ведения don t");
    QTest::newRow("digits and Latin") << QStringLiteral("Глава3 2024 Windows") << names("глава3 2024 windows");
}

void TestSearch::words()
{
    QFETCH(QString, text);
    QFETCH(QStringList, folded);
    const QByteArray utf8 = text.toUtf8();
    QStringList found;
    forEachWord(std::string_view(utf8.constData(), size_t(utf8.size())), [&](const Word &word) {
        found << QString::fromUtf8(word.folded.data(), qsizetype(word.folded.size()));
        // The offsets point at the word as written.
        QVERIFY(QString::fromUtf8(utf8.mid(word.start, word.end - word.start)).size() >= 1);
    });
    QCOMPARE(found, folded);
}

void TestSearch::pageText_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("inline tags join, block tags part")
        << QStringLiteral("<p>оц<span style='x'>ен</span>ка</p><p>шкала<br>баллов</p>") << QString()
        << QStringLiteral("оценка\nшкала\nбаллов");
    QTest::newRow("character references")
        << QStringLiteral("<p>&laquo;A&raquo;&nbsp;&mdash; &#1086;&#x43A; &amp;lt; &unknown; a&b</p>") << QString()
        << QStringLiteral("«A» — ок &lt; &unknown; a&b");
    QTest::newRow("styles, scripts, comments and conditionals dropped")
        << QStringLiteral("<head><title>Гла&shy;ва</title><style><!-- p {x:1} --></style></head>"
                          "<body><!--[if gte mso 9]><xml>скрыто</xml><![endif]--><script>var a='<p>';</script>"
                          "<![if !supportLists]>·<![endif]>текст</body>")
        << QStringLiteral("Гла\u00ADва") << QStringLiteral("·текст");
    QTest::newRow("a '>' inside a quoted attribute") << QStringLiteral("<a title=\"a > b\" href='x'>ссылка</a> 3 < 4")
                                                     << QString() << QStringLiteral("ссылка 3 < 4");
}

void TestSearch::pageText()
{
    QFETCH(QString, html);
    QFETCH(QString, title);
    QFETCH(QString, text);
    const PageText page = search::pageText(html);
    QCOMPARE(page.title, title);
    QCOMPARE(page.text, text);
}

void TestSearch::decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const QByteArray cp1251 = "\xce\xf6\xe5\xed\xea\xe0 \xb8"; // "Оценка ё"
    QTest::newRow("declared windows-1251")
        << QByteArray("<meta http-equiv=Content-Type content=\"text/html; charset=windows-1251\">") + cp1251
        << QStringLiteral("<meta http-equiv=Content-Type content=\"text/html; charset=windows-1251\">Оценка ё");
    QTest::newRow("undeclared, not UTF-8") << cp1251 << QStringLiteral("Оценка ё");
    QTest::newRow("undeclared UTF-8") << QStringLiteral("Оценка ё").toUtf8() << QStringLiteral("Оценка ё");
    QTest::newRow("byte-order mark over a wrong declaration")
        << QByteArray("\xEF\xBB\xBF<meta charset=windows-1251>") + QStringLiteral("ё").toUtf8()
        << QStringLiteral("<meta charset=windows-1251>ё");
}

void TestSearch::decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodePage(bytes), text);
}

void TestSearch::queries_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("found");
    // Russian word forms: the same word in any case and number finds the others, including the
    // genitive plural whose vowel comes and goes; a word formed from it is another word.
    QTest::newRow("оценка") << QStringLiteral("оценка") << names("a.htm b.htm");
    QTest::newRow("оценок") << QStringLiteral("оценок") << names("a.htm b.htm");
    QTest::newRow("ОЦЕНКИ in capitals") << QStringLiteral("ОЦЕНКИ") << names("a.htm b.htm");
    QTest::newRow("оцениванием") << QStringLiteral("оцениванием") << names("c.htm");
    QTest::newRow("prefix") << QStringLiteral("оцен*") << names("a.htm b.htm c.htm");
    QTest::newRow("е for ё in the page") << QStringLiteral("учеба идет") << names("d.htm");
    QTest::newRow("ё for е in the query") << QStringLiteral("ещё") << names("b.htm");
    QTest::newRow("all words must occur") << QStringLiteral("оценок шкала") << names("b.htm");
    QTest::newRow("phrase in order") << QStringLiteral("\"цикл ведения\"") << names("d.htm");
    QTest::newRow("phrase in Russian quotes") << QStringLiteral("«ведения цикл»") << names("sub/e.html");
    QTest::newRow("words apart") << QStringLiteral("цикл ведения") << names("d.htm sub/e.html");
    QTest::newRow("English forms") << QStringLiteral("student assessments") << names("sub/e.html");
    QTest::newRow("title") << QStringLiteral("четвертая") << names("d.htm");
    QTest::newRow("no match") << QStringLiteral("квантовая") << QStringList();
    QTest::newRow("nothing to look for") << QStringLiteral(" — «» * ") << QStringList();
    // Whatever is typed stays words: no column filters, operators or syntax errors.
    QTest::newRow("query language") << QStringLiteral("title:оценка OR NEAR(шкала \"") << QStringList();
    QTest::newRow("unclosed quote") << QStringLiteral("шкала \"оценок") << names("b.htm");
}

void TestSearch::queries()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, found);
    SearchIndex index(QStringLiteral(":memory:"));
    QCOMPARE(index.update(m_course), 5);
    QCOMPARE(pagesOf(index.find(SearchQuery(typed))), found);
}

void TestSearch::wordsFoundInPage()
{
    const QString text = QStringLiteral("Оценка, оценок и оценивание. Ещё шкала; ОЦЕНКА");
    QCOMPARE(SearchQuery(QStringLiteral("оценки еще")).wordsFoundIn(text), (names("оценка оценок ещё")));
    QCOMPARE(SearchQuery(QStringLiteral("\"шкала\" оцен*")).wordsFoundIn(text),
             (names("оценка оценок оценивание шкала")));
}

void TestSearch::snippetMarksTheFormFound()
{
    QTemporaryDir dir;
    writePage(dir.filePath(QStringLiteral("p.htm")),
              page(QStringLiteral("P"), QStringLiteral("<p>Шкала &lt;b&gt; оценок</p>")));
    SearchIndex index(QStringLiteral(":memory:"));
    index.update(dir.path());
    const QList<SearchHit> hits = index.find(SearchQuery(QStringLiteral("оценка")));
    QCOMPARE(hits.size(), 1);
    QCOMPARE(hits[0].title, QStringLiteral("P"));
    QCOMPARE(hits[0].snippet, QStringLiteral("Шкала &lt;b&gt; <b>оценок</b>"));
}

void TestSearch::titleRanksAboveText()
{
    QTemporaryDir dir;
    writePage(dir.filePath(QStringLiteral("a.htm")),
              page(QStringLiteral("Введение"), QStringLiteral("<p>Слово шкала в тексте.</p>")));
    writePage(dir.filePath(QStringLiteral("b.htm")),
              page(QStringLiteral("Шкала"), QStringLiteral("<p>Текст без него и ещё много других слов.</p>")));
    SearchIndex index(QStringLiteral(":memory:"));
    index.update(dir.path());
    const QList<SearchHit> hits = index.find(SearchQuery(QStringLiteral("шкала")));
    QCOMPARE(hits.size(), 2);
    QCOMPARE(hits[0].page, QStringLiteral("b.htm"));
}

void TestSearch::changedPagesFoundByTheirNewText()
{
    QTemporaryDir dir;
    const QString indexFile = dir.filePath(QStringLiteral("cache/index.sqlite"));
    const QString pages = dir.filePath(QStringLiteral("pages"));
    const QString changed = pages + QStringLiteral("/changed.htm");
    const QString gone = pages + QStringLiteral("/gone.htm");
    writePage(changed, page(QStringLiteral("Было"), QStringLiteral("старый текст")));
    writePage(gone, page(QStringLiteral("Уйдёт"), QStringLiteral("уходящая страница")));
    writePage(pages + QStringLiteral("/kept.htm"), page(QStringLiteral("Стоит"), QStringLiteral("текст")));
    {
        SearchIndex index(indexFile);
        QCOMPARE(index.update(pages), 3);
        QCOMPARE(index.update(pages), 0); // nothing changed, nothing read again
    }
    // The same size and modification time, as a copy that keeps times would leave it.
    struct stat before = {};
    QCOMPARE(::stat(QFile::encodeName(changed).constData(), &before), 0);
    writePage(changed, page(QStringLiteral("Было"), QStringLiteral("свежий текст")));
    const timespec times[2] = {before.st_atim, before.st_mtim};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(changed).constData(), times, 0), 0);
    QVERIFY(QFile::remove(gone));
    writePage(pages + QStringLiteral("/added.htm"), page(QStringLiteral("Ещё"), QStringLiteral("добавленный")));

    SearchIndex index(indexFile); // as at the next start
    QCOMPARE(index.update(pages), 2);
    QCOMPARE(pagesOf(index.find(SearchQuery(QStringLiteral("свежий")))), names("changed.htm"));
    QCOMPARE(pagesOf(index.find(SearchQuery(QStringLiteral("старый")))), QStringList());
    QCOMPARE(pagesOf(index.find(SearchQuery(QStringLiteral("уходящая")))), QStringList());
    QCOMPARE(pagesOf(index.find(SearchQuery(QStringLiteral("добавленный")))), names("added.htm"));
    QCOMPARE(index.pageCount(), 3);
}

void TestSearch::foreignIndexFileIsRebuilt()
{
    QTemporaryDir dir;
    const QString indexFile = dir.filePath(QStringLiteral("index.sqlite"));
    writePage(indexFile, "not an index at all, just some bytes that are no SQLite header");
    SearchIndex index(indexFile);
    QCOMPARE(index.update(m_course), 5);
    QCOMPARE(pagesOf(index.find(SearchQuery(QStringLiteral("шкала")))), names("b.htm"));
}

void TestSearch::unwritableCacheSearchesInMemory()
{
    QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("file"));
    writePage(blocker, "x");
    // A folder that cannot be made: a file stands where it would be.
    CourseSearch search(m_course, blocker + QStringLiteral("/index.sqlite"));
    QSignalSpy finished(&search, &CourseSearch::finished);
    search.start();
    search.waitForReady();
    QCOMPARE(finished.size(), 1);
    QVERIFY(search.problem().isEmpty());
    QCOMPARE(pagesOf(search.find(QStringLiteral("шкала"))), names("b.htm"));
}

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
