#include "data/AttemptJournal.h"
#include "data/Connection.h"
#include "data/DbError.h"
#include "data/TableCursor.h"
#include "data/Unit8.h"
#include "platform/BusySign.h"
#include "platform/Clock.h"
#include "platform/Colours.h"
#include "platform/Widgets.h"
#include "reader/Unit2.h"
#include "signin/Unit1.h"
#include "testing/Grading.h"
#include "testing/Unit12.h"
#include "testing/Unit6.h"
#include "tests/support/FormFacts.h"
#include "tests/support/WindowFixture.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <optional>

namespace {

// The steady clock the countdown reads, moved by hand.
class ManualClock : public platform::Clock
{
public:
    qint64 steadyMs() const override { return ms; }
    qint64 ms = 1000000;
};

ManualClock manualClock;

const QString student = QStringLiteral("Иванов");

void setSetting(const WindowFixture &f, const QString &name, const QString &value)
{
    f.folder.exec(QStringLiteral("DELETE FROM System WHERE Name = '%1'").arg(name));
    f.folder.exec(QStringLiteral("INSERT INTO System (Name, Value) VALUES ('%1', '%2')").arg(name, value));
}

// Chapter 3's questions, one per right letter, in this order.
void setQuestions(const WindowFixture &f, const QStringList &rightLetters)
{
    f.folder.exec(QStringLiteral("DELETE FROM Test3"));
    for (qsizetype i = 0; i < rightLetters.size(); ++i) {
        f.folder.exec(QStringLiteral("INSERT INTO Test3 (\"вопрос\", \"отв1\", \"отв2\", \"отв3\", \"отв4\", \"отв5\", "
                                     "\"вариант\") VALUES ('Вопрос %1', 'а%1', 'б%1', 'в%1', 'г%1', 'д%1', '%2')")
                          .arg(i + 1)
                          .arg(rightLetters[i]));
    }
}

int chapter3Id(const WindowFixture &f)
{
    return f.folder.scalar(QStringLiteral("SELECT ID_Glava FROM Glaves WHERE Caption = 'Глава3'")).toInt();
}

QVariant storedGrade(const WindowFixture &f, int studentId)
{
    return f.folder.scalar(QStringLiteral("SELECT Ocenka FROM Result WHERE ID_User = %1 AND ID_glava = %2")
                               .arg(studentId)
                               .arg(chapter3Id(f)));
}

// Thresholds 90, 75, 50, the given limit and chapter 3's questions; returns the new student's ID.
int setUp(WindowFixture &f, const QStringList &rightLetters, int minutes = 5)
{
    setSetting(f, QStringLiteral("Min"), QString::number(minutes));
    setSetting(f, QStringLiteral("FinePercent"), QStringLiteral("90"));
    setSetting(f, QStringLiteral("GoodPercent"), QStringLiteral("75"));
    setSetting(f, QStringLiteral("BadPercent"), QStringLiteral("50"));
    setQuestions(f, rightLetters);
    return f.addStudent(student);
}

// The student signed in, chapter 3 open in the reader.
void openChapter3(WindowFixture &f)
{
    f.signInDirectly(student);
    Form2->Label4Click();
}

int prepare(WindowFixture &f, const QStringList &rightLetters, int minutes = 5)
{
    const int id = setUp(f, rightLetters, minutes);
    openChapter3(f);
    return id;
}

// Starts the test as the reader does; the countdown is then driven by hand only.
void launch()
{
    Form2->BitBtn2Click();
    QVERIFY(Form6->isVisible());
    QVERIFY(Form6->Timer1->isActive());
    Form6->Timer1->setInterval(24 * 60 * 60 * 1000);
}

// Ticks as the timer would, a second apart.
void tick(int times = 1)
{
    for (int i = 0; i < times; ++i) {
        manualClock.ms += 1000;
        Form6->Timer1Timer();
    }
}

QRadioButton *radio(const QString &letter)
{
    for (QRadioButton *b : Form6->findChildren<QRadioButton *>()) {
        if (b->text() == letter)
            return b;
    }
    qFatal("no radio button %s", qPrintable(letter));
}

void answer(const QString &letter)
{
    radio(letter)->click();
    QTest::mouseClick(Form6->Button1, Qt::LeftButton);
}

// The attempt's row as "State SecondsLeft answers".
QString attemptRow(const WindowFixture &f)
{
    return f.folder
        .scalar(QStringLiteral("SELECT State || ' ' || SecondsLeft || ' ' || (SELECT count(*) FROM AttemptAnswer) "
                               "FROM Attempt ORDER BY ID_Attempt DESC LIMIT 1"))
        .toString();
}

QStringList boxTexts(const WindowFixture &f, platform::BoxKind kind)
{
    QStringList texts;
    for (const platform::BoxRecord &r : f.boxes.records) {
        if (r.kind == kind)
            texts << r.text;
    }
    return texts;
}

QString report(int right, int questions, int minutes, int seconds, int grade)
{
    return QStringLiteral("Тест завершен!\rВы ответили правильно на: %1\rиз: %2 вопросов\rЗатрачено времени "
                          "%3мин : %4сек\rВаша оценка: %5")
        .arg(right)
        .arg(questions)
        .arg(minutes)
        .arg(seconds)
        .arg(grade);
}

// Chapter 3's questions 1..n (in order) explained at these places of Glava3.htm; empty: none.
void placeQuestions(const WindowFixture &f, const QStringList &anchors)
{
    f.folder.exec(QStringLiteral("DELETE FROM QuestionPlace WHERE TestTable = 'Test3'"));
    for (qsizetype i = 0; i < anchors.size(); ++i) {
        if (anchors[i].isEmpty())
            continue;
        f.folder.exec(QStringLiteral("INSERT INTO QuestionPlace (TestTable, ID_V, Page, Anchor) SELECT 'Test3', ID_V, "
                                     "'Glava3.htm', '%1' FROM Test3 ORDER BY ID_V LIMIT 1 OFFSET %2")
                          .arg(anchors[i])
                          .arg(i));
    }
}

} // namespace

class TestTesting : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        platform::setClock(&manualClock);
        // A busy file fails at once rather than after seconds.
        Connection::setBusyTimeout(20);
    }
    void cleanup()
    {
        platform::setClock(nullptr);
        Connection::setBusyTimeout(0);
    }

    // --- Arithmetic ---------------------------------------------------------------------------

    void grading_data()
    {
        QTest::addColumn<int>("right");
        QTest::addColumn<int>("questions");
        QTest::addColumn<int>("fine");
        QTest::addColumn<int>("good");
        QTest::addColumn<int>("bad");
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("grade");
        QTest::newRow("9 of 10") << 9 << 10 << 90 << 75 << 50 << 90 << 5;
        QTest::newRow("3 of 4") << 3 << 4 << 90 << 75 << 50 << 75 << 4;
        QTest::newRow("5 of 10") << 5 << 10 << 90 << 75 << 50 << 50 << 3;
        QTest::newRow("4 of 9") << 4 << 9 << 90 << 75 << 50 << 44 << 2;
        QTest::newRow("1 of 8, half to even down") << 1 << 8 << 90 << 75 << 50 << 12 << 2;
        QTest::newRow("3 of 8, half to even up") << 3 << 8 << 90 << 75 << 50 << 38 << 2;
        QTest::newRow("5 of 8, half to even down") << 5 << 8 << 90 << 75 << 50 << 62 << 3;
        QTest::newRow("7 of 8, half to even up") << 7 << 8 << 90 << 75 << 50 << 88 << 4;
        QTest::newRow("2 of 3") << 2 << 3 << 90 << 75 << 50 << 67 << 3;
        QTest::newRow("none right") << 0 << 10 << 90 << 75 << 50 << 0 << 2;
        QTest::newRow("none right, bad 0") << 0 << 10 << 90 << 75 << 0 << 0 << 3;
        QTest::newRow("good above fine, above both") << 9 << 10 << 60 << 80 << 50 << 90 << 5;
        QTest::newRow("good above fine, between") << 7 << 10 << 60 << 80 << 50 << 70 << 5;
        QTest::newRow("good above fine, below both") << 55 << 100 << 60 << 80 << 50 << 55 << 3;
        QTest::newRow("no questions") << 0 << 0 << 90 << 75 << 50 << 0 << 2;
    }
    void grading()
    {
        QFETCH(int, right);
        QFETCH(int, questions);
        QFETCH(int, fine);
        QFETCH(int, good);
        QFETCH(int, bad);
        QFETCH(int, percent);
        QFETCH(int, grade);
        QCOMPARE(rightPercentage(right, questions), percent);
        QCOMPARE(gradeFor(percent, fine, good, bad), grade);
    }

    void timeText_data()
    {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("04:07") << 4 << 7 << "04:07";
        QTest::newRow("12:30") << 12 << 30 << "12:30";
        QTest::newRow("100:5") << 100 << 59 << "100:5";
        QTest::newRow("00:00") << 0 << 0 << "00:00";
        QTest::newRow("10:09") << 10 << 9 << "10:09";
    }
    void timeText()
    {
        QFETCH(int, minutes);
        QFETCH(int, seconds);
        QFETCH(QString, text);
        QCOMPARE(::timeText(minutes, seconds), text);
    }

    void toInteger_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("error");
        QTest::newRow("number") << "20" << 20 << "";
        QTest::newRow("negative") << "-3" << -3 << "";
        QTest::newRow("letters") << "abc" << 0 << "'abc' is not a valid integer value";
        QTest::newRow("empty") << "" << 0 << "'' is not a valid integer value";
        QTest::newRow("fraction") << "2.5" << 0 << "'2.5' is not a valid integer value";
    }
    void toInteger()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QFETCH(QString, error);
        try {
            QCOMPARE(::toInteger(text), value);
            QVERIFY(error.isEmpty());
        } catch (const DbError &e) {
            QCOMPARE(e.message(), error);
        }
    }

    void reportText()
    {
        const QString expected =
            QStringLiteral("Тест завершен!") + QChar(u'\r') + QStringLiteral("Вы ответили правильно на: 7") +
            QChar(u'\r') + QStringLiteral("из: 10 вопросов") + QChar(u'\r') +
            QStringLiteral("Затрачено времени 3мин : 25сек") + QChar(u'\r') + QStringLiteral("Ваша оценка: 4");
        QCOMPARE(resultReport(7, 10, {3, 25}, 4), expected);
    }

    // --- The window -----------------------------------------------------------------------------

    void window()
    {
        WindowFixture f;
        QVERIFY(Form6->windowTitle().isEmpty());
        const Qt::WindowFlags flags = Form6->windowFlags();
        QVERIFY(flags & Qt::WindowStaysOnTopHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QCOMPARE(Form6->minimumSize(), Form6->size());
        QCOMPARE(Form6->maximumSize(), Form6->size());
        QVERIFY(!Form6->Timer1->isActive());
        QCOMPARE(Form6->Timer1->interval(), 1000);
        QVERIFY(!Form6->Button1->isEnabled());
        // Answers are read from the question bank by position, Label2 first.
        QCOMPARE(Form6->AnswerLabels[0], Form6->Label2);
        QCOMPARE(Form6->AnswerLabels[5], Form6->Label7);

        Form6->show();
        QCOMPARE(Form6->frameGeometry().center(), Form6->screen()->availableGeometry().center());
        Form6->hide();
    }

    // The form's key facts.
    void form_data()
    {
        using formfacts::row;
        formfacts::addColumns();
        row("Form6", "", "", {0, 0, 809, 404});
        row("Label1", "Form6", "№", {8, 8, 16, 16});
        row("Label2", "Form6", "Вопрос", {32, 8, 537, 65});
        row("Label3", "Form6", "1-й вариант", {48, 98, 521, 33});
        row("Label7", "Form6", "5-й вариант", {48, 290, 521, 33});
        row("Button1", "Form6", "Следующий", {384, 368, 113, 25}, 0);
        row("RadioButton1", "Form6", "A", {8, 96, 33, 33}, 1);
        row("RadioButton5", "Form6", "E", {8, 288, 33, 33}, 5);
        row("Label8", "Form6", "Таймер", {240, 368, 97, 25});
        row("GroupBox1", "Form6", "Рейтинг ответов", {592, 8, 201, 345});
        // The bars lie in the box, so a bar longer than the box is cut at its edge.
        row("Label9", "GroupBox1", "", {40, 48, 25, 0});
        row("Label10", "GroupBox1", "", {136, 48, 25, 0});
        row("Label13", "GroupBox1", "", {40, 32, 17, 13});
        row("Label14", "GroupBox1", "", {144, 32, 17, 13});
        row("Bevel1", "Form6", "", {0, 88, 577, 265});
        row("Bevel2", "Form6", "", {0, 0, 577, 81});
        row("Panel1", "Form6", "", {0, 80, 577, 8});
    }
    void form()
    {
        WindowFixture f;
        formfacts::check(Form6);
    }

    // --- Launch ---------------------------------------------------------------------------------

    void launchRefused_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value"); // a null text deletes the setting
        QTest::addColumn<QStringList>("letters");
        QTest::addColumn<QString>("problem");
        const QStringList a{QStringLiteral("A")};
        QTest::newRow("fine") << "Min"
                              << "5" << a << "";
        QTest::newRow("Min missing") << "Min" << QString() << a
                                     << "Не задано время на тест: в настройках нет значения «Min».";
        QTest::newRow("Min empty") << "Min"
                                   << "" << a << "Не задано время на тест: в настройках нет значения «Min».";
        QTest::newRow("Min not a number")
            << "Min"
            << "abc" << a << "Время на тест задано неверно: «abc» не является целым числом минут.";
        QTest::newRow("Min 0") << "Min"
                               << "0" << a << "Время на тест должно быть не меньше одной минуты.";
        QTest::newRow("Min negative") << "Min"
                                      << "-2" << a << "Время на тест должно быть не меньше одной минуты.";
        QTest::newRow("FinePercent missing")
            << "FinePercent" << QString() << a << "Не заданы пороги оценок: в настройках нет значения «FinePercent».";
        QTest::newRow("GoodPercent missing")
            << "GoodPercent" << QString() << a << "Не заданы пороги оценок: в настройках нет значения «GoodPercent».";
        QTest::newRow("BadPercent not a number")
            << "BadPercent"
            << "пять" << a << "Порог оценки задан неверно: значение «BadPercent» = «пять» не является целым числом.";
        QTest::newRow("FinePercent 100") << "FinePercent"
                                         << "100" << a << "";
        QTest::newRow("BadPercent 0") << "BadPercent"
                                      << "0" << a << "";
        QTest::newRow("FinePercent above 100")
            << "FinePercent"
            << "101" << a << "Порог оценки задан неверно: значение «FinePercent» = «101» должно быть от 0 до 100.";
        QTest::newRow("BadPercent below 0")
            << "BadPercent"
            << "-1" << a << "Порог оценки задан неверно: значение «BadPercent» = «-1» должно быть от 0 до 100.";
        QTest::newRow("no questions") << "Min"
                                      << "5" << QStringList() << "В базе вопросов этой главы нет ни одного вопроса.";
        const QString letter = QStringLiteral("В вопросе %1 («Вопрос %1») правильный ответ задан неверно: «%2». Это "
                                              "должна быть одна из латинских букв A, B, C, D, E.");
        const auto l = [](const char *text) { return QString::fromUtf8(text); };
        QTest::newRow("lower case") << "Min"
                                    << "5" << QStringList{l("A"), l("a")} << letter.arg(2).arg(l("a"));
        QTest::newRow("Cyrillic А") << "Min"
                                    << "5" << QStringList{l("B"), l("E"), l("А")} << letter.arg(3).arg(l("А"));
    }
    void launchRefused()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QStringList, letters);
        QFETCH(QString, problem);
        WindowFixture f;
        setUp(f, letters);
        f.folder.exec(QStringLiteral("DELETE FROM System WHERE Name = '%1'").arg(key));
        if (!value.isNull())
            setSetting(f, key, value);
        openChapter3(f);
        QCOMPARE(Form6->launchProblem(Data->Test3Tab), problem);
    }

    // A grade that could not be stored is told before the first question, not after the last.
    void launchRefusedUnstorable_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("reason");
        QTest::newRow("chapter missing from the chapter list") << "caption"
                                                               << "В списке глав нет главы «Глава3».";
        QTest::newRow("result row deleted") << "row"
                                            << "В таблице результатов нет строки этой главы.";
        QTest::newRow("result table dropped") << "table"
                                              << "Result";
        QTest::newRow("file read-only") << "read-only"
                                        << "только для чтения";
        QTest::newRow("file busy") << "busy"
                                   << "занята другой программой";
        QTest::newRow("student deleted by another program") << "student"
                                                            << "Запись студента не найдена";
    }
    void launchRefusedUnstorable()
    {
        QFETCH(QString, cause);
        QFETCH(QString, reason);
        WindowFixture f;
        setUp(f, {QStringLiteral("A")});
        if (cause == QStringLiteral("caption"))
            f.folder.exec(QStringLiteral("UPDATE Glaves SET Caption = 'Глава 3' WHERE Caption = 'Глава3'"));
        openChapter3(f);
        std::optional<FileHolder> holder;
        if (cause == QStringLiteral("row"))
            f.folder.exec(QStringLiteral("DELETE FROM Result"));
        else if (cause == QStringLiteral("table"))
            f.folder.exec(QStringLiteral("DROP TABLE Result"));
        else if (cause == QStringLiteral("read-only"))
            Data->Connect->execute(QStringLiteral("PRAGMA query_only = 1"));
        else if (cause == QStringLiteral("busy"))
            holder.emplace(f.folder.databaseFile(), false);
        else if (cause == QStringLiteral("student"))
            f.folder.exec(QStringLiteral("DELETE FROM Users"));

        Form2->BitBtn2Click();
        QVERIFY(!Form6->isVisible());
        QVERIFY(!Form6->Timer1->isActive());
        const QStringList refusals = boxTexts(f, platform::BoxKind::Information);
        QCOMPARE(refusals.size(), 1);
        QVERIFY2(refusals[0].startsWith(QStringLiteral("Оценку за этот тест сохранить не удастся. ")) &&
                     refusals[0].contains(reason),
                 qPrintable(refusals[0]));
        holder.reset();
        if (cause != QStringLiteral("table"))
            QCOMPARE(f.folder.scalar(QStringLiteral("SELECT count(*) FROM Result WHERE Ocenka <> 0")).toInt(), 0);
    }

    // --- Questions ------------------------------------------------------------------------------

    void firstQuestion()
    {
        WindowFixture f;
        prepare(f, {QStringLiteral("A"), QStringLiteral("B")});
        launch();
        QCOMPARE(Form6->Label1->text(), QStringLiteral("1"));
        QCOMPARE(Form6->Label2->text(), QStringLiteral("Вопрос 1"));
        QCOMPARE(Form6->Label3->text(), QStringLiteral("а1"));
        QCOMPARE(Form6->Label7->text(), QStringLiteral("д1"));
        QVERIFY(!Form2->isVisible());
        QCOMPARE(Form6->MinLeft, 5);
        QCOMPARE(Form6->Label8->text(), QStringLiteral("Таймер"));
    }

    // A 255-character answer is shown whole, in a smaller type; a short one keeps the design size.
    void longTexts()
    {
        WindowFixture f;
        setUp(f, {QStringLiteral("A")});
        const QString longText =
            QStringLiteral("Какое из перечисленных утверждений о принципе постепенной передачи ответственности "
                           "верно описывает роль преподавателя на каждом шаге цикла ведения и соответствует тому, "
                           "что сказано в главе о прозрачности требований & <b>разметке</b>")
                .leftJustified(255, u'.');
        f.folder.exec(QStringLiteral("INSERT INTO Test3 (\"вопрос\", \"отв1\", \"отв2\", \"отв3\", \"отв4\", \"отв5\", "
                                     "\"вариант\") VALUES ('%1', '%1', 'б', 'в', 'г', '%1', 'A')")
                          .arg(longText));
        openChapter3(f);
        launch();
        QCOMPARE(Form6->Label3->font().pixelSize(), 13);
        answer(QStringLiteral("B"));
        for (QLabel *label : std::initializer_list<QLabel *>{Form6->Label2, Form6->Label3, Form6->Label7}) {
            QCOMPARE(label->text(), longText);
            const QRect needed = label->fontMetrics().boundingRect(
                QRect(0, 0, label->width(), 1000), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, label->text());
            QVERIFY2(needed.height() <= label->height(), qPrintable(label->objectName()));
        }
        QVERIFY(Form6->Label3->font().pixelSize() < 13);
        QCOMPARE(Form6->Label3->font().family(), QStringLiteral("Times New Roman"));
        QCOMPARE(Form6->Label7->font().family(), QStringLiteral("Arial"));
        QCOMPARE(Form6->Label4->font().pixelSize(), 13);
        QCOMPARE(Form6->Label4->textFormat(), Qt::PlainText);
    }

    void answerByText()
    {
        WindowFixture f;
        prepare(f, {QStringLiteral("C"), QStringLiteral("A")});
        launch();
        QVERIFY(!Form6->Button1->isEnabled());
        QTest::mouseClick(Form6->Label5, Qt::LeftButton);
        QVERIFY(Form6->RadioButton3->isChecked());
        QVERIFY(Form6->Button1->isEnabled());
        QCOMPARE(Form6->ChosenLetter, QStringLiteral("C"));
        // Changing one's mind only changes the letter.
        QTest::mouseClick(Form6->Label3, Qt::LeftButton);
        QVERIFY(Form6->RadioButton1->isChecked());
        QVERIFY(!Form6->RadioButton3->isChecked());
        QCOMPARE(Form6->ChosenLetter, QStringLiteral("A"));
        QCOMPARE(Form6->RightCount + Form6->WrongCount, 0);

        QTest::mouseClick(Form6->Label5, Qt::LeftButton);
        QTest::mouseClick(Form6->Button1, Qt::LeftButton);
        QCOMPARE(Form6->RightCount, 1);
        // A new question needs a new choice.
        QVERIFY(!Form6->Button1->isEnabled());
        for (QRadioButton *b : Form6->findChildren<QRadioButton *>())
            QVERIFY(!b->isChecked());
        QCOMPARE(Form6->Label1->text(), QStringLiteral("2"));
        QCOMPARE(Form6->Label2->text(), QStringLiteral("Вопрос 2"));
    }

    void rightLetter_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("right");
        QTest::newRow("right") << "A" << true;
        QTest::newRow("wrong") << "B" << false;
    }
    // One question: the first "Следующий" ends the test, the number stays 1.
    void rightLetter()
    {
        QFETCH(QString, chosen);
        QFETCH(bool, right);
        WindowFixture f;
        prepare(f, {QStringLiteral("A")});
        launch();
        answer(chosen);
        QCOMPARE(Form6->RightCount, right ? 1 : 0);
        QCOMPARE(Form6->WrongCount, right ? 0 : 1);
        QCOMPARE(Form6->Label1->text(), QStringLiteral("1"));
        QVERIFY(!Form6->isVisible());
        QCOMPARE(boxTexts(f, platform::BoxKind::Plain).last(), report(right ? 1 : 0, 1, 0, 0, right ? 5 : 2));
    }

    void bars()
    {
        WindowFixture f;
        prepare(f, QStringList(6, QStringLiteral("B")));
        launch();
        for (const QString &letter :
             {QStringLiteral("B"), QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("E"), QStringLiteral("B")})
            answer(letter);
        QCOMPARE(Form6->Label9->height(), 15);
        QCOMPARE(Form6->Label10->height(), 10);
        QCOMPARE(Form6->Label13->text(), QStringLiteral("3"));
        QCOMPARE(Form6->Label14->text(), QStringLiteral("2"));
        QCOMPARE(Form6->Label1->text(), QStringLiteral("6"));
    }

    // --- Countdown ------------------------------------------------------------------------------

    void timeOut()
    {
        WindowFixture f;
        const int id = prepare(f, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}, 5);
        launch();
        answer(QStringLiteral("A"));
        tick();
        QCOMPARE(Form6->Label8->text(), QStringLiteral("04:59"));
        tick(298);
        QCOMPARE(Form6->Label8->text(), QStringLiteral("00:01"));
        QVERIFY(Form6->isVisible());
        bool timerOffAtMessage = false;
        f.boxes.onShow = [&](const platform::BoxRecord &) { timerOffAtMessage = !Form6->Timer1->isActive(); };
        tick();
        QVERIFY(timerOffAtMessage);
        const QStringList plain = boxTexts(f, platform::BoxKind::Plain);
        QCOMPARE(plain.size(), 3); // launch, time-out, report
        QCOMPARE(plain[1], QStringLiteral("Заданный интервал времени истек!"));
        QCOMPARE(plain[2], report(1, 3, 5, 0, 2));
        QCOMPARE(storedGrade(f, id).toInt(), 2);
        QVERIFY(!Form6->isVisible());
        QVERIFY(!Form6->Timer1->isActive());
        QVERIFY(Form2->isVisible());
        QCOMPARE(Form6->Label8->text(), QStringLiteral("Таймер"));
    }

    // The time left comes from the clock: a wait for a busy file, when no tick can come, counts
    // all the same.
    void countdownKeepsRealTime_data()
    {
        QTest::addColumn<int>("waitSeconds");
        QTest::addColumn<QString>("shown");
        QTest::newRow("10 s") << 10 << "04:48";
        QTest::newRow("past the limit") << 400 << "00:00";
    }
    void countdownKeepsRealTime()
    {
        QFETCH(int, waitSeconds);
        QFETCH(QString, shown);
        WindowFixture f;
        prepare(f, {QStringLiteral("A"), QStringLiteral("B")});
        launch();
        tick();
        manualClock.ms += waitSeconds * 1000;
        tick();
        QCOMPARE(Form6->isVisible(), waitSeconds < 300);
        if (waitSeconds < 300)
            QCOMPARE(Form6->Label8->text(), shown);
        else
            QCOMPARE(boxTexts(f, platform::BoxKind::Plain).last(), report(0, 2, 5, 0, 2));
    }

    // --- Finishing ------------------------------------------------------------------------------

    void finish_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("right");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("grade");
        const QString a = QStringLiteral("A"), b = QStringLiteral("B"), c = QStringLiteral("C"),
                      d = QStringLiteral("D"), e = QStringLiteral("E");
        QTest::newRow("before the first tick") << QStringList{a, b, c, e} << 0 << 3 << 0 << 0 << 4;
        QTest::newRow("after one tick") << QStringList{a, b, c, d} << 1 << 4 << 0 << 1 << 5;
        QTest::newRow("after 61 ticks") << QStringList{a, b, e, e} << 61 << 2 << 1 << 1 << 3;
        QTest::newRow("after 120 ticks") << QStringList{a, e, e, e} << 120 << 1 << 2 << 0 << 2;
    }
    // Through the window: grade stored, report, reader back, student still current.
    void finish()
    {
        QFETCH(QStringList, answers);
        QFETCH(int, ticks);
        QFETCH(int, right);
        QFETCH(int, minutes);
        QFETCH(int, seconds);
        QFETCH(int, grade);
        WindowFixture f;
        const int id = prepare(f, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")});
        QCOMPARE(storedGrade(f, id).toInt(), 0);
        Form2->chapterLabel(1)->setEnabled(false);
        const QColor before = Form2->chapterLabel(3)->fontColor(); // white: the open page
        launch();
        tick(ticks);
        for (const QString &letter : answers)
            answer(letter);

        QCOMPARE(boxTexts(f, platform::BoxKind::Plain).last(), report(right, 4, minutes, seconds, grade));
        QCOMPARE(storedGrade(f, id).toInt(), grade);
        QCOMPARE(Form6->Grade, grade);
        QVERIFY(!Form6->isVisible());
        QVERIFY(!Form6->Timer1->isActive());
        QVERIFY(Form2->isVisible());
        QVERIFY(!Form2->BitBtn2->isEnabled());
        for (int n = 1; n <= 6; ++n)
            QVERIFY(!Data->testTab(n)->isOpen());
        if (grade > 2) {
            for (int n = 1; n <= 6; ++n) {
                QCOMPARE(Form2->chapterLabel(n)->fontColor(), colour::red);
                QVERIFY(Form2->chapterLabel(n)->isEnabled());
            }
        } else {
            QVERIFY(!Form2->chapterLabel(1)->isEnabled());
            QCOMPARE(Form2->chapterLabel(3)->fontColor(), before);
        }
        QVERIFY(Data->UserTab->isOpen());
        QCOMPARE(Data->UserTab->fieldByName(QStringLiteral("ID")).asInteger(), id);
        QCOMPARE(Form6->Label13->text(), QString());
        QCOMPARE(Form6->Label9->height(), 0);
    }

    // The report offers the review: every question marked right or wrong by a sign and its
    // ground, the passage one key away for a wrong answer with a place; the reader's menu finds
    // the review again.
    void review()
    {
        WindowFixture f;
        prepare(f, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")}, 1);
        placeQuestions(f, {QStringLiteral("principles"), QStringLiteral("principles"), QString(),
                           QStringLiteral("no-such-anchor")});
        launch();
        answer(QStringLiteral("A"));
        answer(QStringLiteral("E"));
        answer(QStringLiteral("E"));
        f.boxes.answers = {platform::BoxAnswer::Ok, platform::BoxAnswer::Other};
        tick(61); // the time runs out before the last question
        QVERIFY(Form12 && Form12->isVisible());
        QCOMPARE(Form12->Label1->text(), QStringLiteral("Тест к главе 3: верных ответов 1 из 4, оценка 2."));

        struct Line
        {
            const char *verdict, *chosen, *right;
            bool link;
            const char *marked; // the start of the passage marked; empty: the page at its top
        };
        const Line lines[] = {{"✔ верно", "A", "A", false, ""},
                              {"✘ неверно", "E", "B", true, "Принципы веланики"},
                              {"✘ неверно", "E", "C", false, ""},
                              {"✘ нет ответа", "—", "D", true, ""}};
        QTableWidget *grid = Form12->Grid1;
        QCOMPARE(grid->rowCount(), 4);
        QCOMPARE(grid->currentRow(), 1); // the first wrong answer
        const auto text = [] { return Form2->WebBrowser1->findChild<QTextBrowser *>(); };
        for (int row = 0; row < 4; ++row) {
            const Line &line = lines[row];
            QCOMPARE(grid->item(row, TForm12::VerdictColumn)->text(), QString::fromUtf8(line.verdict));
            QCOMPARE(grid->item(row, TForm12::ChosenColumn)->text(), QString::fromUtf8(line.chosen));
            QCOMPARE(grid->item(row, TForm12::RightColumn)->text(), QString::fromLatin1(line.right));
            QCOMPARE(grid->item(row, TForm12::QuestionColumn)->text(), QStringLiteral("Вопрос %1").arg(row + 1));
            const bool wrong = row > 0;
            QCOMPARE(grid->item(row, TForm12::QuestionColumn)->background().style() != Qt::NoBrush, wrong);

            grid->setCurrentCell(row, TForm12::NumberColumn);
            QCOMPARE(Form12->Button1->isVisible(), line.link);
            const int navigations = Form2->WebBrowser1->navigationCount();
            QTest::keyClick(grid, Qt::Key_Return);
            if (!line.link) {
                QCOMPARE(Form2->WebBrowser1->navigationCount(), navigations);
                continue;
            }
            QVERIFY(Form2->WebBrowser1->location().endsWith(QStringLiteral("Glaves\\Glava3.htm")));
            const QList<QTextEdit::ExtraSelection> marks = text()->extraSelections();
            QCOMPARE(marks.isEmpty(), !*line.marked);
            if (*line.marked)
                QVERIFY(marks.first().cursor.selectedText().startsWith(QString::fromUtf8(line.marked)));
            QVERIFY(Form12->isVisible());
        }
        QTest::keyClick(grid, Qt::Key_Escape);
        QVERIFY(!Form12->isVisible());

        Form2->N73Click();
        QVERIFY(Form12->isVisible());
        QCOMPARE(Form12->Grid1->rowCount(), 4);
        Form2->N71Click();
        QCOMPARE(boxTexts(f, platform::BoxKind::Information).last(),
                 QStringLiteral("Тест к главе 1 вы ещё не завершали: разбирать пока нечего."));
        // A new test hides the reader, and the review with it.
        launch();
        QVERIFY(!Form12->isVisible());
    }

    // Closing mid-test stores nothing; the next test starts afresh on the same row.
    void abandonThenRetake()
    {
        WindowFixture f;
        const int id = prepare(f, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        launch();
        tick(5);
        answer(QStringLiteral("A"));
        answer(QStringLiteral("E"));
        Form6->close();
        QCOMPARE(storedGrade(f, id).toInt(), 0);
        QVERIFY(!Form6->isVisible());
        QVERIFY(!Form6->Timer1->isActive());
        QVERIFY(Form2->isVisible());
        QCOMPARE(Form6->SecLeft, 0);
        QCOMPARE(Form6->Label13->text(), QString());
        QCOMPARE(Form6->Label14->text(), QString());
        QCOMPARE(Form6->Label9->height(), 0);
        QCOMPARE(Form6->Label10->height(), 0);
        QCOMPARE(Form6->Label8->text(), QStringLiteral("Таймер"));
        QCOMPARE(boxTexts(f, platform::BoxKind::Plain).size(), 1); // the launch message only
        QVERIFY(Data->UserTab->isOpen());
        QCOMPARE(Data->UserTab->fieldByName(QStringLiteral("ID")).asInteger(), id);

        Form2->Label4Click();
        launch();
        QCOMPARE(Form6->Label1->text(), QStringLiteral("1"));
        QCOMPARE(Form6->Label2->text(), QStringLiteral("Вопрос 1"));
        QCOMPARE(Form6->RightCount + Form6->WrongCount, 0);
        answer(QStringLiteral("A"));
        answer(QStringLiteral("B"));
        answer(QStringLiteral("C"));
        QCOMPARE(storedGrade(f, id).toInt(), 5);
        QCOMPARE(boxTexts(f, platform::BoxKind::Plain).last(), report(3, 3, 0, 0, 5));

        // Again, worse: the same row is overwritten.
        Form2->Label4Click();
        launch();
        answer(QStringLiteral("E"));
        answer(QStringLiteral("E"));
        answer(QStringLiteral("E"));
        QCOMPARE(storedGrade(f, id).toInt(), 2);
        QCOMPARE(f.folder
                     .scalar(QStringLiteral("SELECT count(*) FROM Result WHERE ID_User = %1 AND ID_glava = %2")
                                 .arg(id)
                                 .arg(chapter3Id(f)))
                     .toInt(),
                 1);
        // Grade 2 after a 5: the labels keep what the earlier pass gave them.
        QCOMPARE(Form2->chapterLabel(6)->fontColor(), colour::red);
    }

    // --- The journal ----------------------------------------------------------------------------

    // Each answer is written as the student moves on, the time left with it and every 5 s in
    // between; closing the window ends the attempt without a grade.
    void journalKeepsTheTest()
    {
        WindowFixture f;
        prepare(f, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        launch();
        QCOMPARE(attemptRow(f), QStringLiteral("running 300 0"));
        tick(4);
        QCOMPARE(attemptRow(f), QStringLiteral("running 300 0"));
        tick();
        QCOMPARE(attemptRow(f), QStringLiteral("running 295 0"));
        tick(2);
        answer(QStringLiteral("A"));
        QCOMPARE(attemptRow(f), QStringLiteral("running 293 1"));
        tick(4);
        QCOMPARE(attemptRow(f), QStringLiteral("running 293 1"));
        Form6->close();
        QCOMPARE(attemptRow(f), QStringLiteral("ended 293 1"));
        QCOMPARE(storedGrade(f, Data->studentId()).toInt(), 0);
    }

    // The bars show the journal's verdict: the right letter as the file has it when the answer is
    // written, not as the window read it.
    void barsFollowTheJournal()
    {
        WindowFixture f;
        prepare(f, {QStringLiteral("A"), QStringLiteral("B")});
        launch();
        f.folder.exec(QStringLiteral("UPDATE Test3 SET \"вариант\" = 'E'"));
        answer(QStringLiteral("E"));
        QCOMPARE(Form6->Label9->height(), 5);
        QCOMPARE(Form6->Label10->height(), 0);
    }

    // The program ended in the middle of a test; at the next sign-in the student is asked whether
    // to go on.
    void continueAfterCrash_data()
    {
        QTest::addColumn<QStringList>("given");   // answers recorded before the program ended
        QTest::addColumn<bool>("goOn");           // the student's choice
        QTest::addColumn<bool>("bankChanged");    // a question deleted meanwhile
        QTest::addColumn<QString>("shownNumber"); // the question the test goes on at
        QTest::addColumn<QStringList>("then");    // answers after it went on
        QTest::addColumn<QString>("report");      // empty: no grade; the time used counts from the start
        const QString a = QStringLiteral("A"), b = QStringLiteral("B"), c = QStringLiteral("C"),
                      d = QStringLiteral("D"), e = QStringLiteral("E");
        QTest::newRow("goes on at question 3")
            << QStringList{a, e} << true << false << "3" << QStringList{c, d} << report(3, 4, 0, 20, 4);
        QTest::newRow("declined") << QStringList{a, e} << false << false << "" << QStringList{} << "";
        QTest::newRow("nothing answered yet")
            << QStringList{} << true << false << "1" << QStringList{a, b, c, d} << report(4, 4, 0, 20, 5);
        QTest::newRow("all answered, no grade yet")
            << QStringList{a, b, e, e} << true << false << "" << QStringList{} << report(2, 4, 0, 10, 3);
        QTest::newRow("questions changed meanwhile") << QStringList{a} << true << true << "" << QStringList{} << "";
    }
    void continueAfterCrash()
    {
        QFETCH(QStringList, given);
        QFETCH(bool, goOn);
        QFETCH(bool, bankChanged);
        QFETCH(QString, shownNumber);
        QFETCH(QStringList, then);
        QFETCH(QString, report);
        WindowFixture f;
        const int id = setUp(f, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")});
        // What the program left in the file when it ended: the answers and the time noted last.
        Data->connectTo(platform::dataFolder());
        const Attempt attempt = Data->journal().begin(id, 3, chapter3Id(f), 4, {5, 90, 75, 50});
        for (qsizetype i = 0; i < given.size(); ++i)
            Data->journal().recordAnswer(
                attempt.id,
                f.folder.scalar(QStringLiteral("SELECT ID_V FROM Test3 ORDER BY ID_V LIMIT 1 OFFSET %1").arg(i))
                    .toInt(),
                given[i], 295);
        Data->journal().noteTimeLeft(attempt.id, 290);
        f.folder.exec(QStringLiteral("INSERT INTO Result (ID_User, ID_glava, Ocenka) VALUES (%1, %2, 0)")
                          .arg(id)
                          .arg(chapter3Id(f)));
        if (bankChanged)
            f.folder.exec(QStringLiteral("DELETE FROM Test3 WHERE ID_V = (SELECT max(ID_V) FROM Test3)"));

        f.boxes.answers = {goOn ? platform::BoxAnswer::Ok : platform::BoxAnswer::Cancel};
        Form1->show();
        Form1->SpeedButton2->click();
        Form1->Edit1->setText(student);
        Form1->BitBtn2->click();

        const QStringList questions = boxTexts(f, platform::BoxKind::Question);
        QCOMPARE(questions.size(), 1);
        QVERIFY2(questions[0].contains(QStringLiteral("Тест по главе «Глава3» не был завершён")) &&
                     questions[0].contains(
                         QStringLiteral("Отвечено на %1 из 4 вопросов, оставалось времени 04:50").arg(given.size())),
                 qPrintable(questions[0]));
        if (!shownNumber.isEmpty()) {
            QVERIFY(Form6->isVisible());
            QVERIFY(!Form2->isVisible());
            QCOMPARE(Form6->windowTitle(), QStringLiteral("Тест- Глава3"));
            QCOMPARE(Form6->Label1->text(), shownNumber);
            QCOMPARE(Form6->Label2->text(), QStringLiteral("Вопрос ") + shownNumber);
            QCOMPARE(Form6->Label8->text(), QStringLiteral("04:50"));
            const int right = int(given.size()) - int(given.count(QStringLiteral("E")));
            QCOMPARE(Form6->Label9->height(), 5 * right);
            QCOMPARE(Form6->Label10->height(), 5 * int(given.count(QStringLiteral("E"))));
            tick(10);
            for (const QString &letter : then)
                answer(letter);
        }
        if (report.isEmpty()) {
            QVERIFY(!Form6 || !Form6->isVisible());
            QCOMPARE(attemptRow(f).section(u' ', 0, 0), QStringLiteral("ended"));
            QCOMPARE(storedGrade(f, id).toInt(), 0);
            if (bankChanged)
                QVERIFY(boxTexts(f, platform::BoxKind::Information)
                            .join(QString())
                            .contains(QStringLiteral("продолжить его нельзя")));
            return;
        }
        QCOMPARE(boxTexts(f, platform::BoxKind::Plain).last(), report);
        QCOMPARE(attemptRow(f).section(u' ', 0, 0), QStringLiteral("graded"));
        QCOMPARE(attemptRow(f).section(u' ', 2, 2).toInt(), 4);
        QCOMPARE(storedGrade(f, id).toInt(), report.right(1).toInt());
        QVERIFY(Form2->isVisible());
    }

    // --- An answer or an ending that fails ------------------------------------------------------

    // An answer the database does not take: while it is held by another program the student may
    // send the answer again, which counts it once; given up, or refused outright, the test ends
    // without a grade.
    void answerNotWritten_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<bool>("sendAgain");
        QTest::addColumn<QString>("state");
        QTest::newRow("held, sent again") << "held" << true << "graded";
        // Still held when the window closes: the attempt stays open, for the next sign-in to offer.
        QTest::newRow("held, given up") << "held" << false << "running";
        QTest::newRow("refused") << "trigger" << false << "ended";
    }
    void answerNotWritten()
    {
        QFETCH(QString, cause);
        QFETCH(bool, sendAgain);
        QFETCH(QString, state);
        WindowFixture f;
        const int id = prepare(f, {QStringLiteral("A")});
        launch();
        std::optional<FileHolder> holder;
        if (cause == u"held")
            holder.emplace(f.folder.databaseFile(), true);
        else
            f.folder.exec(QStringLiteral("CREATE TRIGGER no_answers BEFORE INSERT ON AttemptAnswer "
                                         "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        bool timerOff = false;
        f.boxes.onShow = [&](const platform::BoxRecord &box) {
            if (box.buttons != platform::BoxButtons::RetryCancel)
                return;
            timerOff = !Form6->Timer1->isActive();
            if (sendAgain)
                holder.reset();
        };
        f.boxes.answers = {sendAgain ? platform::BoxAnswer::Ok : platform::BoxAnswer::Cancel};
        answer(QStringLiteral("A"));
        holder.reset();

        const QList<platform::BoxRecord> errors = [&] {
            QList<platform::BoxRecord> list;
            for (const platform::BoxRecord &r : f.boxes.records)
                if (r.kind == platform::BoxKind::Error)
                    list << r;
            return list;
        }();
        QVERIFY(!errors.isEmpty());
        QVERIFY2(errors[0].text.startsWith(QStringLiteral("Ответ не записан. ")), qPrintable(errors[0].text));
        QCOMPARE(errors[0].buttons == platform::BoxButtons::RetryCancel, cause == u"held");
        QCOMPARE(timerOff, cause == u"held");
        QVERIFY(!Form6->isVisible());
        QCOMPARE(attemptRow(f).section(u' ', 0, 0), state);
        QCOMPARE(f.folder.scalar(QStringLiteral("SELECT count(*) FROM AttemptAnswer")).toInt(), sendAgain ? 1 : 0);
        QCOMPARE(storedGrade(f, id).toInt(), sendAgain ? 5 : 0);
        if (!sendAgain)
            QVERIFY(errors.last().text.contains(QStringLiteral("Тест прерван без оценки")));
    }

    // --- An ending that fails ----------------------------------------------------------------------

    void endingFails_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<bool>("timeOut");
        QTest::addColumn<bool>("retry");
        QTest::addColumn<QString>("failure");
        const QString store = QStringLiteral("Не удалось сохранить оценку. ");
        QTest::newRow("file held at time-out") << "exclusive" << true << true << store + QStringLiteral("База данных");
        QTest::newRow("file held for writing at time-out")
            << "immediate" << true << true << store + QStringLiteral("База данных");
        QTest::newRow("grade refused, window closed") << "trigger" << false << false << store;
        QTest::newRow("student deleted, window closed")
            << "student" << false << false << store + QStringLiteral("Запись студента не найдена");
    }
    // A grade the file refuses: the countdown stops before the box, the box stands over the test
    // window, the answers stay counted once, and "Следующий" tries the ending again.
    void endingFails()
    {
        QFETCH(QString, cause);
        QFETCH(bool, timeOut);
        QFETCH(bool, retry);
        QFETCH(QString, failure);
        WindowFixture f;
        const int id = prepare(f, {QStringLiteral("A")});
        Form2->chapterLabel(1)->setEnabled(false);
        launch();
        std::optional<FileHolder> holder;
        if (cause == QStringLiteral("trigger"))
            f.folder.exec(QStringLiteral("CREATE TRIGGER no_grades BEFORE UPDATE ON Result "
                                         "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        else if (cause == QStringLiteral("student"))
            f.folder.exec(QStringLiteral("DELETE FROM Users WHERE ID = %1").arg(id));
        else
            holder.emplace(f.folder.databaseFile(), cause == QStringLiteral("exclusive"));

        bool timerOff = false;
        bool busySign = false;
        f.boxes.onShow = [&](const platform::BoxRecord &box) {
            if (box.kind != platform::BoxKind::Error)
                return;
            timerOff = !Form6->Timer1->isActive();
            // Still up: the event loop that takes it away has not turned since the wait.
            const QCursor *cursor = QApplication::overrideCursor();
            busySign = cursor && cursor->shape() == Qt::WaitCursor && platform::busyNote() &&
                       platform::busyNote()->window() == Form6 && platform::busyNote()->isVisible();
        };
        if (timeOut)
            tick(300);
        else
            answer(QStringLiteral("A"));

        const QStringList errors = boxTexts(f, platform::BoxKind::Error);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].startsWith(failure), qPrintable(errors[0]));
        QVERIFY(timerOff);
        QCOMPARE(busySign, cause == QStringLiteral("exclusive") || cause == QStringLiteral("immediate"));
        QCOMPARE(f.boxes.records.last().parent.data(), Form6);
        QVERIFY(boxTexts(f, platform::BoxKind::StandardError).isEmpty());
        QVERIFY(Form6->isVisible());
        QVERIFY(Form6->Button1->isEnabled());
        holder.reset();
        QCOMPARE(storedGrade(f, id).toInt(), 0);
        QCoreApplication::processEvents();
        QVERIFY(!platform::busyNote());
        QVERIFY(!QApplication::overrideCursor());

        if (!retry) {
            // Closed after a failure: abandoned, judged by no grade.
            Form6->close();
            QCOMPARE(Form6->Grade, 0);
            QVERIFY(!Form2->chapterLabel(1)->isEnabled());
            QCOMPARE(storedGrade(f, id).toInt(), 0);
            return;
        }
        f.folder.exec(QStringLiteral("DROP TRIGGER IF EXISTS no_grades"));
        // As a student would: choose again, press again.
        answer(QStringLiteral("A"));
        const int right = timeOut ? 0 : 1;
        QCOMPARE(boxTexts(f, platform::BoxKind::Plain).last(), report(right, 1, timeOut ? 5 : 0, 0, right ? 5 : 2));
        QCOMPARE(storedGrade(f, id).toInt(), right ? 5 : 2);
        QCOMPARE(f.folder.scalar(QStringLiteral("SELECT count(*) FROM AttemptAnswer")).toInt(), right);
        QVERIFY(!Form6->isVisible());
        QVERIFY(Form2->isVisible());
    }

    // The grade is in the file: a re-read after it that fails (the file held by another program
    // meanwhile) does not make it "not stored".
    void storedThoughReReadFails()
    {
        WindowFixture f;
        const int id = prepare(f, {QStringLiteral("A")});
        launch();
        std::optional<FileHolder> holder;
        const QMetaObject::Connection hold = QObject::connect(Data->ResultTab, &TableCursor::recordChanged, [&] {
            if (!holder && storedGrade(f, id).toInt() == 5)
                holder.emplace(f.folder.databaseFile(), true);
        });
        answer(QStringLiteral("A"));
        QObject::disconnect(hold);
        QVERIFY(holder);
        holder.reset();
        QVERIFY(boxTexts(f, platform::BoxKind::Error).isEmpty());
        QCOMPARE(boxTexts(f, platform::BoxKind::Plain).last(), report(1, 1, 0, 0, 5));
        QCOMPARE(Form6->Grade, 5);
        QVERIFY(!Form6->isVisible());
        QCOMPARE(Data->UserTab->fieldByName(QStringLiteral("ID")).asInteger(), id);
    }
};

QTEST_MAIN(TestTesting)
#include "tst_testing.moc"
