#include "data/DbError.h"
#include "side/Unit10.h"
#include "stats/Unit3.h"
#include "tests/support/FormFacts.h"
#include "tests/support/WindowFixture.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

// Catches what would be handed to the desktop's program for a file.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    QList<QUrl> urls;

public Q_SLOTS:
    void open(const QUrl &url) { urls.append(url); }
};

namespace {

// Replaces the topics before the window set exists: the window reads them once, at creation.
void setTopics(WindowFixture &f, const QList<QPair<QVariant, QVariant>> &rows)
{
    auto literal = [](const QVariant &v) {
        return v.isNull() ? QStringLiteral("NULL")
                          : QStringLiteral("'%1'").arg(v.toString().replace(QStringLiteral("'"), QStringLiteral("''")));
    };
    QString sql = QStringLiteral("DELETE FROM present;\n");
    for (const auto &[tema, file] : rows)
        sql += QStringLiteral("INSERT INTO present (tema, file) VALUES (%1, %2);\n").arg(literal(tema), literal(file));
    f.folder.exec(sql);
}

void makeFile(WindowFixture &f, const QString &relative)
{
    const QString path = f.folder.path() + QStringLiteral("Present/") + relative;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("%PDF-1.4\n");
}

QUrl presentUrl(const QString &relative)
{
    return QUrl::fromLocalFile(QDir::current().absoluteFilePath(QStringLiteral("Present/") + relative));
}

// One key press per character, Cyrillic included (QTest::keyClicks sends Latin-1 only).
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

QStringList items(QComboBox *combo)
{
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list;
}

const QList<QPair<QVariant, QVariant>> standardTopics{
    {QStringLiteral("Введение в веланику"), QStringLiteral("vvedenie.pdf")},
    {QStringLiteral("Основы"), QStringLiteral("osnovy.pdf")},
    {QStringLiteral("основы практики"), QStringLiteral("praktika.pdf")},
};

} // namespace

class TestPresentations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The form's key facts.
    void form_data()
    {
        using formfacts::row;
        formfacts::addColumns();
        row("Form10", "", "Презентации", {0, 0, 746, 141});
        row("ComboBox1", "Form10", "", {8, 8, 721, 28}, 0);
    }
    void form()
    {
        WindowFixture f;
        formfacts::check(Form10);
    }

    void windowAndEmptyTable()
    {
        WindowFixture f(false);
        setTopics(f, {});
        f.windows = WindowSet::everyWindow();
        UrlCatcher catcher;
        Form10->fillAndShow();
        QVERIFY(Form10->isVisible());
        QCOMPARE(Form10->ComboBox1->count(), 0);
        QVERIFY(catcher.urls.isEmpty());
        QVERIFY(f.boxes.records.isEmpty());
    }

    void everyShowingRebuildsTheList()
    {
        WindowFixture f(false);
        setTopics(f, {{QStringLiteral("Б-тема"), QStringLiteral("b.pdf")},
                      {QString(), QStringLiteral("x.pdf")},
                      {QStringLiteral("А-тема"), QStringLiteral("a.pdf")},
                      {QStringLiteral("А-тема"), QStringLiteral("a2.pdf")}});
        f.windows = WindowSet::everyWindow();
        UrlCatcher catcher;
        // Table order, duplicates kept, a topic without text as an empty line.
        const QStringList expected{QStringLiteral("Б-тема"), QString(), QStringLiteral("А-тема"),
                                   QStringLiteral("А-тема")};
        Form10->fillAndShow();
        QCOMPARE(items(Form10->ComboBox1), expected);
        QCOMPARE(Form10->ComboBox1->currentIndex(), -1);
        QCOMPARE(Form10->ComboBox1->currentText(), QString());

        Form10->ComboBox1->lineEdit()->setText(QStringLiteral("zzz"));
        Form10->close();
        QCOMPARE(Form10->ComboBox1->currentText(), QStringLiteral("zzz"));
        Form10->fillAndShow();
        QCOMPARE(items(Form10->ComboBox1), expected);
        QCOMPARE(Form10->ComboBox1->currentText(), QString());
        // Filling is not a choice: nothing was opened, nothing reported.
        QVERIFY(catcher.urls.isEmpty());
        QVERIFY(f.boxes.records.isEmpty());
    }

    void typingOpensTheMatchingTopic_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("opened");
        QTest::newRow("lower case") << QStringLiteral("в") << QStringList{QStringLiteral("vvedenie.pdf")};
        QTest::newRow("upper case") << QStringLiteral("В") << QStringList{QStringLiteral("vvedenie.pdf")};
        // Typing on through one topic's name opens it once; a new topic opens at once.
        QTest::newRow("same topic, once") << QStringLiteral("основы") << QStringList{QStringLiteral("osnovy.pdf")};
        QTest::newRow("longer text narrows")
            << QStringLiteral("основы п") << QStringList{QStringLiteral("osnovy.pdf"), QStringLiteral("praktika.pdf")};
        QTest::newRow("no topic") << QStringLiteral("я") << QStringList{};
    }
    void typingOpensTheMatchingTopic()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, opened);
        WindowFixture f(false);
        setTopics(f, standardTopics);
        for (const auto &topic : standardTopics)
            makeFile(f, topic.second.toString());
        f.windows = WindowSet::everyWindow();
        UrlCatcher catcher;
        Form10->fillAndShow();

        typeText(Form10->ComboBox1->lineEdit(), typed);
        QList<QUrl> expected;
        for (const QString &file : opened)
            expected << presentUrl(file);
        QCOMPARE(catcher.urls, expected);
        QVERIFY(f.boxes.records.isEmpty());
    }

    void choosingAnItemOpensItOnce()
    {
        WindowFixture f(false);
        setTopics(f, standardTopics);
        for (const auto &topic : standardTopics)
            makeFile(f, topic.second.toString());
        f.windows = WindowSet::everyWindow();
        UrlCatcher catcher;
        Form10->fillAndShow();
        Form10->ComboBox1->setCurrentIndex(2);
        QCOMPARE(catcher.urls, QList<QUrl>{presentUrl(QStringLiteral("praktika.pdf"))});
        QTest::keyClick(Form10->ComboBox1, Qt::Key_Up);
        QCOMPARE(catcher.urls.size(), 2);
        QCOMPARE(catcher.urls.last(), presentUrl(QStringLiteral("osnovy.pdf")));
        // Shown again, the window opens a topic chosen again.
        Form10->close();
        Form10->fillAndShow();
        Form10->ComboBox1->setCurrentIndex(1);
        QCOMPARE(catcher.urls.size(), 3);
        QCOMPARE(catcher.urls.last(), presentUrl(QStringLiteral("osnovy.pdf")));
    }

    void fileNames_data()
    {
        QTest::addColumn<QVariant>("file");
        QTest::addColumn<QString>("created");   // file made under Present/, if any
        QTest::addColumn<QString>("opened");    // under Present/, empty: nothing opened
        QTest::addColumn<QString>("boxPrefix"); // empty: no box
        const QString outside = QStringLiteral("Файл презентации темы «Тема» указан вне папки Present");
        const QString longName = QString(90, u'д') + QStringLiteral(".pdf");
        QTest::newRow("plain") << QVariant(QStringLiteral("a.pdf")) << QStringLiteral("a.pdf")
                               << QStringLiteral("a.pdf") << QString();
        QTest::newRow("subfolder, backslash") << QVariant(QStringLiteral("sub\\b.pdf")) << QStringLiteral("sub/b.pdf")
                                              << QStringLiteral("sub/b.pdf") << QString();
        QTest::newRow("longer than 79") << QVariant(longName) << longName << longName << QString();
        QTest::newRow("parent folder") << QVariant(QStringLiteral("..\\Data.mdb")) << QString() << QString() << outside;
        QTest::newRow("parent inside") << QVariant(QStringLiteral("sub/../../Data.mdb")) << QString() << QString()
                                       << outside;
        QTest::newRow("absolute") << QVariant(QStringLiteral("/etc/passwd")) << QString() << QString() << outside;
        QTest::newRow("leading backslash")
            << QVariant(QStringLiteral("\\\\server\\share\\x.pdf")) << QString() << QString() << outside;
        QTest::newRow("drive letter") << QVariant(QStringLiteral("C:\\x.pdf")) << QString() << QString() << outside;
        QTest::newRow("empty") << QVariant(QStringLiteral("")) << QString() << QString()
                               << QStringLiteral("Для темы «Тема» не указан файл презентации.");
        QTest::newRow("null") << QVariant() << QString() << QString()
                              << QStringLiteral("Для темы «Тема» не указан файл презентации.");
        QTest::newRow("missing") << QVariant(QStringLiteral("нет.pdf")) << QString() << QString()
                                 << QStringLiteral("Файл презентации не найден: ");
    }
    void fileNames()
    {
        QFETCH(QVariant, file);
        QFETCH(QString, created);
        QFETCH(QString, opened);
        QFETCH(QString, boxPrefix);
        WindowFixture f(false);
        setTopics(f, {{QStringLiteral("Тема"), file}});
        if (!created.isEmpty())
            makeFile(f, created);
        f.windows = WindowSet::everyWindow();
        UrlCatcher catcher;
        Form10->fillAndShow();
        Form10->ComboBox1->setCurrentIndex(0);

        QCOMPARE(catcher.urls, opened.isEmpty() ? QList<QUrl>{} : QList<QUrl>{presentUrl(opened)});
        if (boxPrefix.isEmpty()) {
            QVERIFY(f.boxes.records.isEmpty());
        } else {
            QCOMPARE(f.boxes.records.size(), 1);
            QCOMPARE(f.boxes.records.first().kind, platform::BoxKind::Error);
            QCOMPARE(f.boxes.records.first().title, QStringLiteral("Ошибка"));
            QVERIFY2(f.boxes.records.first().text.startsWith(boxPrefix), qPrintable(f.boxes.records.first().text));
        }
    }

    // The current directory holds the data; the presentations are installed beside the program.
    void presentationsAreFoundBesideTheProgram()
    {
        WindowFixture f(false);
        setTopics(f, {{QStringLiteral("Тема"), QStringLiteral("a.pdf")}});
        makeFile(f, QStringLiteral("a.pdf"));
        f.windows = WindowSet::everyWindow();
        UrlCatcher catcher;
        Form10->fillAndShow();
        QTemporaryDir elsewhere;
        QDir::setCurrent(elsewhere.path());
        Form10->ComboBox1->setCurrentIndex(0);
        QCOMPARE(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(f.folder.path() + QStringLiteral("Present/a.pdf"))});
        QVERIFY(f.boxes.records.isEmpty());
    }

    void startFailsWithoutDatabaseInCurrentDirectory()
    {
        WindowFixture f(false);
        QTemporaryDir empty;
        QDir::setCurrent(empty.path());
        QVERIFY_THROWS_EXCEPTION(DbError, WindowSet::everyWindow());
        QVERIFY(Form10 == nullptr);
        QVERIFY(Data == nullptr);
        QVERIFY(Form3 == nullptr);
    }
};

QTEST_MAIN(TestPresentations)
#include "tst_presentations.moc"
