#include "data/DbError.h"
#include "data/TableCursor.h"
#include "data/Unit8.h"
#include "platform/Colours.h"
#include "platform/Widgets.h"
#include "reader/Unit2.h"
#include "testing/Grading.h"
#include "testing/Unit6.h"
#include "tests/support/WindowFixture.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace {

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

void tick(int times = 1)
{
    for (int i = 0; i < times; ++i)
        Form6->Timer1Timer();
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

} // namespace

class TestTesting : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
        QCOMPARE(Form6->minimumSize(), QSize(809, 404));
        QCOMPARE(Form6->maximumSize(), QSize(809, 404));
        QCOMPARE(Form6->palette().color(QPalette::Window), QColor(166, 202, 240));
        QVERIFY(!Form6->Timer1->isActive());
        QCOMPARE(Form6->Timer1->interval(), 1000);
        QVERIFY(!Form6->Button1->isEnabled());
        QCOMPARE(Form6->Button1->palette().color(QPalette::Active, QPalette::ButtonText), colour::red);
        QWidget *first = Form6->nextInFocusChain();
        while (first != Form6 && !(first->focusPolicy() & Qt::TabFocus))
            first = first->nextInFocusChain();
        QCOMPARE(first, Form6->Button1);
        QCOMPARE(Form6->Label9->parentWidget(), Form6->GroupBox1);
        QCOMPARE(Form6->Label10->parentWidget(), Form6->GroupBox1);
        QCOMPARE(Form6->Label9->geometry(), QRect(40, 48, 25, 0));
        QCOMPARE(Form6->Label10->geometry(), QRect(136, 48, 25, 0));
        // Answers are read from the question bank by position, Label2 first.
        QCOMPARE(Form6->AnswerLabels[0], Form6->Label2);
        QCOMPARE(Form6->AnswerLabels[5], Form6->Label7);

        Form6->show();
        QCOMPARE(Form6->frameGeometry().center(), Form6->screen()->availableGeometry().center());
        Form6->hide();
    }

    void components_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("Label1") << "Label1"
                                << "№" << QRect(8, 8, 16, 16);
        QTest::newRow("Label2") << "Label2"
                                << "Вопрос" << QRect(32, 8, 537, 65);
        QTest::newRow("Label3") << "Label3"
                                << "1-й вариант" << QRect(48, 98, 521, 33);
        QTest::newRow("Label7") << "Label7"
                                << "5-й вариант" << QRect(48, 290, 521, 33);
        QTest::newRow("RadioButton1") << "RadioButton1"
                                      << "A" << QRect(8, 96, 33, 33);
        QTest::newRow("RadioButton5") << "RadioButton5"
                                      << "E" << QRect(8, 288, 33, 33);
        QTest::newRow("Button1") << "Button1"
                                 << "Следующий" << QRect(384, 368, 113, 25);
        QTest::newRow("Label8") << "Label8"
                                << "Таймер" << QRect(240, 368, 97, 25);
        QTest::newRow("GroupBox1") << "GroupBox1"
                                   << "Рейтинг ответов" << QRect(592, 8, 201, 345);
        QTest::newRow("Label13") << "Label13"
                                 << "" << QRect(40, 32, 17, 13);
        QTest::newRow("Label14") << "Label14"
                                 << "" << QRect(144, 32, 17, 13);
        QTest::newRow("Bevel1") << "Bevel1"
                                << "" << QRect(0, 88, 577, 265);
        QTest::newRow("Bevel2") << "Bevel2"
                                << "" << QRect(0, 0, 577, 81);
        QTest::newRow("Panel1") << "Panel1"
                                << "" << QRect(0, 80, 577, 8);
    }
    void components()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QRect, geometry);
        WindowFixture f;
        auto *w = Form6->findChild<QWidget *>(name);
        QVERIFY(w);
        QCOMPARE(w->geometry(), geometry);
        QString shown;
        if (auto *l = qobject_cast<QLabel *>(w))
            shown = l->text();
        else if (auto *b = qobject_cast<QAbstractButton *>(w))
            shown = b->text();
        else if (auto *g = qobject_cast<QGroupBox *>(w))
            shown = g->title();
        QCOMPARE(shown, text);
    }

    // --- Launch ---------------------------------------------------------------------------------

    void launchRefused_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value"); // a null text deletes the setting
        QTest::addColumn<bool>("noQuestions");
        QTest::addColumn<QString>("problem");
        QTest::newRow("fine") << "Min"
                              << "5" << false << "";
        QTest::newRow("Min missing") << "Min" << QString() << false
                                     << "Не задано время на тест: в настройках нет значения «Min».";
        QTest::newRow("Min empty") << "Min"
                                   << "" << false << "Не задано время на тест: в настройках нет значения «Min».";
        QTest::newRow("Min not a number")
            << "Min"
            << "abc" << false << "Время на тест задано неверно: «abc» не является целым числом минут.";
        QTest::newRow("Min 0") << "Min"
                               << "0" << false << "Время на тест должно быть не меньше одной минуты.";
        QTest::newRow("Min negative") << "Min"
                                      << "-2" << false << "Время на тест должно быть не меньше одной минуты.";
        QTest::newRow("FinePercent missing") << "FinePercent" << QString() << false
                                             << "Не заданы пороги оценок: в настройках нет значения «FinePercent».";
        QTest::newRow("GoodPercent missing") << "GoodPercent" << QString() << false
                                             << "Не заданы пороги оценок: в настройках нет значения «GoodPercent».";
        QTest::newRow("BadPercent not a number")
            << "BadPercent"
            << "пять" << false
            << "Порог оценки задан неверно: значение «BadPercent» = «пять» не является целым числом.";
        QTest::newRow("no questions") << "Min"
                                      << "5" << true << "В базе вопросов этой главы нет ни одного вопроса.";
    }
    void launchRefused()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, noQuestions);
        QFETCH(QString, problem);
        WindowFixture f;
        setUp(f, noQuestions ? QStringList() : QStringList{QStringLiteral("A")});
        f.folder.exec(QStringLiteral("DELETE FROM System WHERE Name = '%1'").arg(key));
        if (!value.isNull())
            setSetting(f, key, value);
        openChapter3(f);
        QCOMPARE(Form6->launchProblem(Data->Test3Tab), problem);
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
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("right");
        QTest::newRow("A") << "A" << true;
        QTest::newRow("lower case") << "a" << false;
        QTest::newRow("trailing blank") << "A " << false;
        QTest::newRow("leading blank") << " A" << false;
        QTest::newRow("Cyrillic А") << "А" << false;
    }
    // One question: the first "Следующий" ends the test, the number stays 1.
    void rightLetter()
    {
        QFETCH(QString, stored);
        QFETCH(bool, right);
        WindowFixture f;
        prepare(f, {stored});
        launch();
        answer(QStringLiteral("A"));
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

    // --- A grade that cannot be stored ------------------------------------------------------------

    void storeFails_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::newRow("database refuses the write") << "trigger";
        QTest::newRow("chapter missing from the chapter list") << "caption";
        QTest::newRow("student deleted by another program") << "student";
    }
    void storeFails()
    {
        QFETCH(QString, cause);
        WindowFixture f;
        const int id = prepare(f, {QStringLiteral("A")});
        int otherChapter = 0;
        if (cause == QStringLiteral("caption")) {
            // Chapter 1 leaves a result row behind; chapter 3 then has no row in the chapter list,
            // so the chapter cursor still stands on chapter 1.
            Form2->Label1Click();
            otherChapter =
                f.folder.scalar(QStringLiteral("SELECT ID_Glava FROM Glaves WHERE Caption = 'Глава1'")).toInt();
            f.folder.exec(QStringLiteral("UPDATE Glaves SET Caption = 'Глава 3' WHERE Caption = 'Глава3'"));
            Form2->Label4Click();
        } else if (cause == QStringLiteral("student")) {
            f.folder.exec(QStringLiteral("DELETE FROM Users WHERE ID = %1").arg(id));
        } else {
            f.folder.exec(QStringLiteral("CREATE TRIGGER no_grades BEFORE UPDATE ON Result "
                                         "BEGIN SELECT RAISE(ABORT, 'read-only'); END"));
        }
        launch();
        answer(QStringLiteral("A"));

        const QStringList errors = boxTexts(f, platform::BoxKind::Error);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].startsWith(QStringLiteral("Не удалось сохранить оценку: ")), qPrintable(errors[0]));
        for (const QString &text : boxTexts(f, platform::BoxKind::Plain))
            QVERIFY(!text.startsWith(QStringLiteral("Тест завершен!")));
        QVERIFY(boxTexts(f, platform::BoxKind::StandardError).isEmpty());
        QVERIFY(!Form6->isVisible());
        QVERIFY(!Form6->Timer1->isActive());
        QVERIFY(Form2->isVisible());
        if (otherChapter) {
            QCOMPARE(f.folder
                         .scalar(QStringLiteral("SELECT Ocenka FROM Result WHERE ID_User = %1 AND ID_glava = %2")
                                     .arg(id)
                                     .arg(otherChapter))
                         .toInt(),
                     0);
        } else {
            QCOMPARE(storedGrade(f, id).toInt(), 0);
        }
    }
};

QTEST_MAIN(TestTesting)
#include "tst_testing.moc"
