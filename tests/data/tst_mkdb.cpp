// The database builder: what it stores, and how it reports a broken source.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

namespace {

const QByteArray goodQuestions = "# Тест к главе\n"
                                 "? Первый вопрос: 'кавычки'; и точка с запятой\n"
                                 "A один\nB два\nC три\nD четыре\nE пять\n= C\n@ Glava1.html#name\n"
                                 "\n\n"
                                 "?  Второй вопрос  \r\n"
                                 "A a\r\nB b\r\nC c\r\nD d\r\nE e\r\n=  A\r\n";

struct Run
{
    int code = -1;
    QString errors;
};

} // namespace

class TestMkdb : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    void write(const QString &name, const QByteArray &content) const
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    Run mkdb(const QString &out, const QStringList &questions, const QString &data = QStringLiteral("data.sql"),
             const QString &pages = {}) const
    {
        QStringList args{path(out), QStringLiteral(TEXTBOOK_SCHEMA_SQL), path(data)};
        if (!pages.isEmpty())
            args << QStringLiteral("--pages") << path(pages);
        for (const QString &q : questions)
            args.append(path(q));
        QProcess process;
        process.start(QStringLiteral(MKDB_PATH), args);
        process.waitForFinished();
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
    }

    QStringList query(const QString &file, const char *sql) const
    {
        QStringList rows;
        sqlite3 *db = nullptr;
        sqlite3_open_v2(path(file).toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
        while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
            QStringList cells;
            for (int i = 0; i < sqlite3_column_count(stmt); ++i)
                cells.append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, i))));
            rows.append(cells.join(u'|'));
        }
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        return rows;
    }

    void expectNoOutput(const QString &out) const
    {
        QVERIFY(!QFile::exists(path(out)));
        QVERIFY(!QFile::exists(path(out + QStringLiteral(".part"))));
    }

private Q_SLOTS:
    void init()
    {
        write(QStringLiteral("data.sql"), "-- settings\nINSERT INTO System (Name, Value) VALUES ('Min', '20');\n"
                                          "INSERT INTO Glaves (Caption) VALUES ('Глава1');\n");
        QDir(m_dir.path()).remove(QStringLiteral("Data.mdb"));
    }

    void buildsTheDatabase()
    {
        write(QStringLiteral("Test1.txt"), goodQuestions);
        write(QStringLiteral("Test4.txt"), "# пока без вопросов\n");
        const Run run = mkdb(QStringLiteral("Data.mdb"), {QStringLiteral("Test1.txt"), QStringLiteral("Test4.txt")});
        QVERIFY2(run.code == 0, qPrintable(run.errors));
        QCOMPARE(query(QStringLiteral("Data.mdb"), "SELECT Name FROM System ORDER BY id"),
                 (QStringList{QStringLiteral("Min"), QStringLiteral("CourseVersion")}));
        QCOMPARE(
            query(QStringLiteral("Data.mdb"),
                  "SELECT ID_V, вопрос, отв1, отв2, отв3, отв4, отв5, вариант FROM Test1 ORDER BY ID_V"),
            (QStringList{QStringLiteral("1|Первый вопрос: 'кавычки'; и точка с запятой|один|два|три|четыре|пять|C"),
                         QStringLiteral("2|Второй вопрос|a|b|c|d|e|A")}));
        QCOMPARE(query(QStringLiteral("Data.mdb"), "SELECT count(*) FROM Test4"), QStringList{QStringLiteral("0")});
        QCOMPARE(query(QStringLiteral("Data.mdb"), "SELECT TestTable, ID_V, Page, Anchor FROM QuestionPlace"),
                 QStringList{QStringLiteral("Test1|1|Glava1.html|name")});
        QVERIFY(!QFile::exists(path(QStringLiteral("Data.mdb.part"))));
    }

    // A record compares its course with the installed one by this version: it must change with
    // anything a record takes over, and not with the sources' comments or layout.
    void courseVersion_data()
    {
        QTest::addColumn<QByteArray>("questions");
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<bool>("same");
        const QByteArray settings = "INSERT INTO System (Name, Value) VALUES ('Min', '20');\n"
                                    "INSERT INTO Glaves (Caption) VALUES ('Глава1');\n";
        QTest::newRow("rebuilt") << goodQuestions << settings << true;
        QTest::newRow("comments and blank lines") << "# другой комментарий\n\n" + goodQuestions + "\n\n"
                                                  << settings << true;
        QByteArray answer = goodQuestions;
        answer.replace("B два", "B двa");
        QTest::newRow("one answer") << answer << settings << false;
        QTest::newRow("a place") << QByteArray(goodQuestions).replace("#name", "#other") << settings << false;
        QTest::newRow("a setting") << goodQuestions << QByteArray(settings).replace("'20'", "'25'") << false;
        QTest::newRow("a chapter") << goodQuestions << settings + "INSERT INTO Glaves (Caption) VALUES ('Глава2');\n"
                                   << false;
    }
    void courseVersion()
    {
        QFETCH(QByteArray, questions);
        QFETCH(QByteArray, settings);
        QFETCH(bool, same);
        const char *version = "SELECT Value FROM System WHERE Name = 'CourseVersion'";
        write(QStringLiteral("Test1.txt"), goodQuestions);
        QVERIFY(mkdb(QStringLiteral("Data.mdb"), {QStringLiteral("Test1.txt")}).code == 0);
        write(QStringLiteral("Test1.txt"), questions);
        write(QStringLiteral("other.sql"), settings);
        const Run run = mkdb(QStringLiteral("Other.mdb"), {QStringLiteral("Test1.txt")}, QStringLiteral("other.sql"));
        QVERIFY2(run.code == 0, qPrintable(run.errors));
        const QStringList first = query(QStringLiteral("Data.mdb"), version);
        QCOMPARE(first.size(), 1);
        QCOMPARE(first == query(QStringLiteral("Other.mdb"), version), same);
        QDir(m_dir.path()).remove(QStringLiteral("Other.mdb"));
    }

    void refusesAnExistingFile()
    {
        write(QStringLiteral("Data.mdb"), "keep me");
        const Run run = mkdb(QStringLiteral("Data.mdb"), {});
        QCOMPARE(run.code, 1);
        QVERIFY2(run.errors.contains(QStringLiteral("уже существует")), qPrintable(run.errors));
        QFile file(path(QStringLiteral("Data.mdb")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("keep me"));
    }

    void brokenQuestions_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("expected"); // file:line and a word of the reason
        QTest::newRow("no question mark") << QByteArray("# x\nA один\n") << "Test1.txt:2: ожидалось начало вопроса";
        QTest::newRow("answer missing") << QByteArray("? В\nA 1\nB 2\nD 4\nE 5\n= A\n")
                                        << "Test1.txt:4: ожидался ответ «C";
        QTest::newRow("unfinished") << QByteArray("? В\nA 1\nB 2\nC 3\nD 4\nE 5\n= A\n\n? Другой\n")
                                    << "Test1.txt:9: вопрос со строки 9";
        QTest::newRow("bad letter") << QByteArray("? В\nA 1\nB 2\nC 3\nD 4\nE 5\n= F\n")
                                    << "Test1.txt:7: правильный ответ";
        QTest::newRow("no blank line") << QByteArray("? В\nA 1\nB 2\nC 3\nD 4\nE 5\n= A\n? Г\n")
                                       << "Test1.txt:8: между вопросами";
        QTest::newRow("no space") << QByteArray("?Вопрос\n") << "Test1.txt:1: после «?» нужен пробел";
        QTest::newRow("too long") << (QByteArray("? ") + QByteArray(256, 'x') + "\nA 1\nB 2\nC 3\nD 4\nE 5\n= A\n")
                                  << "Test1.txt:1: текст поля «вопрос» длиннее 255";
        QTest::newRow("not UTF-8") << QByteArray("? \xcf\xf0\xe8\xe2\xe5\xf2\n")
                                   << "Test1.txt:1: строка не в кодировке";
        const QByteArray question = "? В\nA 1\nB 2\nC 3\nD 4\nE 5\n= A\n";
        QTest::newRow("place before the answer")
            << QByteArray("? В\n@ Glava1.html\n") << "Test1.txt:2: ожидался ответ «A";
        QTest::newRow("place outside Glaves") << question + "@ ../Present/x.htm#a\n"
                                              << "Test1.txt:8: место в курсе";
        QTest::newRow("place not a page") << question + "@ Glava1.pdf\n"
                                          << "Test1.txt:8: место в курсе";
        QTest::newRow("anchor empty") << question + "@ Glava1.html#\n"
                                      << "Test1.txt:8: после «#»";
        QTest::newRow("anchor with a quote") << question + "@ Glava1.html#a\"b\n"
                                             << "Test1.txt:8: имя якоря";
        QTest::newRow("two places") << question + "@ Glava1.html\n@ Glava1.html\n"
                                    << "Test1.txt:9: между вопросами";
    }

    void brokenQuestions()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        write(QStringLiteral("Test1.txt"), content);
        const Run run = mkdb(QStringLiteral("Data.mdb"), {QStringLiteral("Test1.txt")});
        QCOMPARE(run.code, 1);
        QVERIFY2(run.errors.contains(expected), qPrintable(run.errors));
        expectNoOutput(QStringLiteral("Data.mdb"));
    }

    // With the pages given, every place must be a page there that carries its anchor.
    void placesCheckedAgainstPages_data()
    {
        QTest::addColumn<QByteArray>("place");
        QTest::addColumn<QString>("error"); // empty: built
        QTest::newRow("id") << QByteArray("Glava1.html#name") << "";
        QTest::newRow("name in single quotes") << QByteArray("Glava1.html#old") << "";
        QTest::newRow("page top") << QByteArray("Glava1.html") << "";
        QTest::newRow("anchor missing") << QByteArray("Glava1.html#nope")
                                        << "Test1.txt:8: на странице «Glava1.html» нет якоря «nope»";
        QTest::newRow("anchor only in the text") << QByteArray("Glava1.html#text") << "нет якоря «text»";
        QTest::newRow("page missing") << QByteArray("Glava2.htm#name") << "Test1.txt:8: страницы «Glava2.htm» нет";
    }
    void placesCheckedAgainstPages()
    {
        QFETCH(QByteArray, place);
        QFETCH(QString, error);
        QDir(m_dir.path()).mkpath(QStringLiteral("Glaves"));
        write(QStringLiteral("Glaves/Glava1.html"), "<p id=\"name\">Имя</p><a name='old'></a><p>text</p>");
        write(QStringLiteral("Test1.txt"), "? В\nA 1\nB 2\nC 3\nD 4\nE 5\n= A\n@ " + place + "\n");
        const Run run = mkdb(QStringLiteral("Data.mdb"), {QStringLiteral("Test1.txt")}, QStringLiteral("data.sql"),
                             QStringLiteral("Glaves"));
        if (error.isEmpty()) {
            QVERIFY2(run.code == 0, qPrintable(run.errors));
            return;
        }
        QCOMPARE(run.code, 1);
        QVERIFY2(run.errors.contains(error), qPrintable(run.errors));
        expectNoOutput(QStringLiteral("Data.mdb"));
    }

    void unknownTable()
    {
        write(QStringLiteral("Test9.txt"), goodQuestions);
        const Run run = mkdb(QStringLiteral("Data.mdb"), {QStringLiteral("Test9.txt")});
        QCOMPARE(run.code, 1);
        QVERIFY2(run.errors.contains(QStringLiteral("«Test9»")), qPrintable(run.errors));
        expectNoOutput(QStringLiteral("Data.mdb"));
    }

    void brokenSqlNamesItsLine()
    {
        write(QStringLiteral("bad.sql"),
              "INSERT INTO System (Name) VALUES ('a');\n\n-- next\nINSERT INTO Nope VALUES (1);\n");
        const Run run = mkdb(QStringLiteral("Data.mdb"), {}, QStringLiteral("bad.sql"));
        QCOMPARE(run.code, 1);
        QVERIFY2(run.errors.contains(QStringLiteral("bad.sql:4: no such table: Nope")), qPrintable(run.errors));
        expectNoOutput(QStringLiteral("Data.mdb"));
    }
};

QTEST_GUILESS_MAIN(TestMkdb)
#include "tst_mkdb.moc"
