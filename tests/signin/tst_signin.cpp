#include "app/Unit4.h"
#include "data/DbError.h"
#include "data/TableCursor.h"
#include "data/Unit8.h"
#include "platform/WebView.h"
#include "platform/Widgets.h"
#include "reader/Unit2.h"
#include "signin/Unit1.h"
#include "tests/support/FormFacts.h"
#include "tests/support/WindowFixture.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>

#include <unistd.h>

using platform::BoxAnswer;
using platform::BoxButtons;
using platform::BoxKind;

namespace {

const QStringList allControls = {
    QStringLiteral("Label1"),    QStringLiteral("Label2"),       QStringLiteral("Label3"),
    QStringLiteral("Label4"),    QStringLiteral("SpeedButton1"), QStringLiteral("SpeedButton2"),
    QStringLiteral("Edit1"),     QStringLiteral("Edit2"),        QStringLiteral("Edit3"),
    QStringLiteral("ComboBox1"), QStringLiteral("BitBtn1"),      QStringLiteral("BitBtn2"),
    QStringLiteral("BitBtn3")};

const QString introduction = QStringLiteral("Glaves\\Введение.htm");

QWidget *control(const QString &name)
{
    auto *w = Form1->findChild<QWidget *>(name);
    if (!w)
        qFatal("no control %s", qPrintable(name));
    return w;
}

QStringList visibleControls()
{
    QStringList shown;
    for (const QString &name : allControls) {
        if (control(name)->isVisibleTo(Form1))
            shown << name;
    }
    return shown;
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

// The sign-in window as the greeting leaves it: shown, connected.
void showSignIn()
{
    Form1->show();
    QVERIFY(Data->UserTab->isOpen());
}

void fillRegistration(const QString &name, const QString &password, const QString &specialty, int course)
{
    Form1->SpeedButton1->click();
    Form1->Edit1->setText(name);
    Form1->Edit2->setText(password);
    Form1->Edit3->setText(specialty);
    if (course >= 0)
        Form1->ComboBox1->setCurrentIndex(course);
}

void logIn(const QString &name, const QString &password)
{
    Form1->SpeedButton2->click();
    Form1->Edit1->setText(name);
    Form1->Edit2->setText(password);
    Form1->BitBtn2->click();
}

int userCount(const WindowFixture &f)
{
    return f.folder.scalar(QStringLiteral("SELECT count(*) FROM Users")).toInt();
}

void checkInitialMode()
{
    QCOMPARE(Form1->height(), 100);
    QCOMPARE(visibleControls(), QStringList({QStringLiteral("SpeedButton1"), QStringLiteral("SpeedButton2")}));
    QCOMPARE(Form1->SpeedButton1->x(), 30);
    QCOMPARE(Form1->SpeedButton2->x(), 128);
}

bool inRegistrationMode()
{
    return Form1->height() == 295 && Form1->BitBtn1->isVisibleTo(Form1) && !Form1->SpeedButton2->isVisibleTo(Form1);
}

QString racedName(const QString &round)
{
    return QStringLiteral("Студент ") + round;
}

// Another copy of the program on the same Data.mdb, in a child process. Each line from the test
// is one step, begun at the moment the line names (the steady clock's nanoseconds, shared by the
// processes) and answered with one line:
//   "T register N": registers "Студент N"; "stored" or "taken".
//   "T find N C": makes that student and the chapter "ГлаваC" current; "ready".
//   "T open": makes sure of the student's result row of the chapter; "done".
int runCopy(const QString &folder)
{
    TData data;
    Data = &data;
    data.connectTo(folder);
    for (std::string line; std::getline(std::cin, line);) {
        QStringList words = QString::fromStdString(line).split(u' ');
        const qint64 start = words.takeFirst().toLongLong();
        // Spinning, not sleeping: both copies must begin within microseconds of each other.
        while (std::chrono::steady_clock::now().time_since_epoch().count() < start) {
        }
        QString answer;
        try {
            if (words.value(0) == u"register") {
                const NewStudent student{racedName(words.value(1)), QStringLiteral("pw"), QStringLiteral("ПО-21"),
                                         QStringLiteral("1 - Курс"), introduction};
                answer = registerStudent(data.UserTab, student) == Registration::Stored ? QStringLiteral("stored")
                                                                                        : QStringLiteral("taken");
            } else if (words.value(0) == u"find") {
                data.UserTab->refresh();
                const bool found =
                    data.UserTab->locate(QStringLiteral("фамилия"), racedName(words.value(1))) &&
                    data.GlavesTab->locate(QStringLiteral("Caption"), QStringLiteral("Глава") + words.value(2));
                answer = found ? QStringLiteral("ready") : QStringLiteral("missing");
            } else if (words.value(0) == u"open") {
                PrepareResult();
                answer = QStringLiteral("done");
            }
        } catch (const DbError &e) {
            answer = QStringLiteral("error ") + e.message();
        }
        std::printf("%s\n", answer.toUtf8().constData());
        std::fflush(stdout);
    }
    Data = nullptr;
    return 0;
}

} // namespace

class TestSignIn : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The form's key facts; the captions are sized to their text.
    void form_data()
    {
        using formfacts::row;
        formfacts::addColumns();
        row("Form1", "", "Авторизация", {0, 0, 240, 100});
        row("Label1", "Form1", "Ф.И.О пользователя", {32, 40, -1, -1});
        row("Label4", "Form1", "курс", {32, 160, -1, -1});
        // The flat buttons take no focus, so Enter in the boxes still reaches OK.
        row("SpeedButton1", "Form1", "Регистрация", {30, 8, 89, 25});
        row("SpeedButton2", "Form1", "Вход", {128, 8, 73, 25});
        row("Edit1", "Form1", "", {32, 56, 161, 21}, 2);
        row("Edit2", "Form1", "", {32, 96, 161, 21}, 3);
        row("Edit3", "Form1", "", {32, 136, 161, 21}, 4);
        row("ComboBox1", "Form1", "", {32, 176, 161, 21}, 0);
        row("BitBtn1", "Form1", "OK", {32, 224, 73, 25}, 5, "Ok");
        row("BitBtn2", "Form1", "OK", {32, 224, 73, 25}, 6, "Ok");
        row("BitBtn3", "Form1", "Cancel", {120, 224, 73, 25}, 7, "Cancel");
    }
    void form()
    {
        WindowFixture f;
        formfacts::check(Form1);
    }

    void windowAtCreation()
    {
        WindowFixture f;
        QCOMPARE(Form1->pos(), QPoint(429, 155));
        QVERIFY(!(Form1->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(Form1->windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!Form1->isVisible());
        QVERIFY(!Form1->Image1->pixmap().isNull());
        checkInitialMode();
        QCOMPARE(Form1->ComboBox1->currentText(), QStringLiteral("выберите курс"));
        QCOMPARE(Form1->ComboBox1->currentIndex(), -1);
        QCOMPARE(Form1->ComboBox1->count(), 5);
        QCOMPARE(Form1->Edit2->echoMode(), QLineEdit::Password);
        // Captions sized to their text: none is cut.
        for (QLabel *label : {Form1->Label1, Form1->Label2, Form1->Label3, Form1->Label4})
            QCOMPARE(label->size(), label->sizeHint());
    }

    void modes_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<int>("height");
        QTest::addColumn<QStringList>("visible");
        // SpeedButton1.x, SpeedButton2.x, BitBtn2.y, BitBtn3.y
        QTest::addColumn<QList<int>>("places");

        const QStringList initial = {QStringLiteral("SpeedButton1"), QStringLiteral("SpeedButton2")};
        const QStringList registration = {
            QStringLiteral("Label1"),  QStringLiteral("Label2"),       QStringLiteral("Label3"),
            QStringLiteral("Label4"),  QStringLiteral("SpeedButton1"), QStringLiteral("Edit1"),
            QStringLiteral("Edit2"),   QStringLiteral("Edit3"),        QStringLiteral("ComboBox1"),
            QStringLiteral("BitBtn1"), QStringLiteral("BitBtn3")};
        const QStringList login = {QStringLiteral("Label1"), QStringLiteral("Label2"), QStringLiteral("SpeedButton2"),
                                   QStringLiteral("Edit1"),  QStringLiteral("Edit2"),  QStringLiteral("BitBtn2"),
                                   QStringLiteral("BitBtn3")};

        QTest::newRow("registration") << QStringList{QStringLiteral("SpeedButton1")} << 295 << registration
                                      << QList<int>{75, 128, 224, 224};
        QTest::newRow("login") << QStringList{QStringLiteral("SpeedButton2")} << 235 << login
                               << QList<int>{30, 75, 135, 135};
        QTest::newRow("registration, cancel") << QStringList{QStringLiteral("SpeedButton1"), QStringLiteral("BitBtn3")}
                                              << 100 << initial << QList<int>{30, 128, 224, 224};
        QTest::newRow("login, cancel") << QStringList{QStringLiteral("SpeedButton2"), QStringLiteral("BitBtn3")} << 100
                                       << initial << QList<int>{30, 128, 135, 135};
        // Cancel does not move the OK and Cancel buttons back; registration moves Cancel itself.
        QTest::newRow("login, cancel, registration")
            << QStringList{QStringLiteral("SpeedButton2"), QStringLiteral("BitBtn3"), QStringLiteral("SpeedButton1")}
            << 295 << registration << QList<int>{75, 128, 135, 224};
    }

    void modes()
    {
        QFETCH(QStringList, clicks);
        QFETCH(int, height);
        QFETCH(QStringList, visible);
        QFETCH(QList<int>, places);

        WindowFixture f;
        showSignIn();
        for (const QString &name : clicks)
            qobject_cast<QPushButton *>(control(name))->click();

        QCOMPARE(Form1->height(), height);
        QCOMPARE(Form1->width(), 240);
        QCOMPARE(Form1->Image1->geometry(), Form1->rect());
        QCOMPARE(visibleControls(), visible);
        QCOMPARE(Form1->SpeedButton1->x(), places[0]);
        QCOMPARE(Form1->SpeedButton2->x(), places[1]);
        QCOMPARE(Form1->BitBtn2->y(), places[2]);
        QCOMPARE(Form1->BitBtn3->y(), places[3]);
        if (height != 100)
            QCOMPARE(Form1->focusWidget(), Form1->Edit1);
        QVERIFY(f.boxes.records.isEmpty());
    }

    void cancelClearsTheBoxes()
    {
        WindowFixture f;
        showSignIn();
        fillRegistration(QStringLiteral("Иванов"), QStringLiteral("123"), QStringLiteral("ПО-21"), 2);
        Form1->BitBtn3->click();
        QVERIFY(Form1->Edit1->text().isEmpty());
        QVERIFY(Form1->Edit2->text().isEmpty());
        QVERIFY(Form1->Edit3->text().isEmpty());
        QVERIFY(Form1->ComboBox1->currentText().isEmpty());
        // A course chosen before Cancel must not count as chosen next time.
        Form1->SpeedButton1->click();
        QCOMPARE(Form1->ComboBox1->currentText(), QStringLiteral("выберите курс"));
        Form1->Edit1->setText(QStringLiteral("Иванов"));
        Form1->Edit3->setText(QStringLiteral("ПО-21"));
        Form1->BitBtn1->click();
        QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("Необходимо выбрать курс!")});
        QCOMPARE(userCount(f), 0);
    }

    void dialogKeys_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("ok");
        QTest::newRow("registration") << QStringLiteral("SpeedButton1") << QStringLiteral("BitBtn1");
        QTest::newRow("login") << QStringLiteral("SpeedButton2") << QStringLiteral("BitBtn2");
    }

    void dialogKeys()
    {
        QFETCH(QString, mode);
        QFETCH(QString, ok);
        WindowFixture f;
        showSignIn();
        QVERIFY(QTest::qWaitForWindowExposed(Form1));
        Form1->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Form1));
        qobject_cast<QPushButton *>(control(mode))->click();

        QSignalSpy okClicks(qobject_cast<QPushButton *>(control(ok)), &QPushButton::clicked);
        QSignalSpy cancelClicks(Form1->BitBtn3, &QPushButton::clicked);
        QTest::keyClick(Form1, Qt::Key_Escape);
        QCOMPARE(cancelClicks.count(), 1);
        checkInitialMode();

        // Enter runs the check of the empty entry.
        qobject_cast<QPushButton *>(control(mode))->click();
        QTest::keyClick(Form1, Qt::Key_Return);
        QCOMPARE(okClicks.count(), 1);
        QCOMPARE(cancelClicks.count(), 1);
        QCOMPARE(f.boxes.records.size(), 1);
    }

    void registrationChecks_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("specialty");
        QTest::addColumn<int>("course");
        QTest::addColumn<int>("answer"); // to the empty-password question
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus"); // empty: registered
        const QString ivanov = QStringLiteral("Иванов И.И.");
        const QString po = QStringLiteral("ПО-21");

        QTest::newRow("name and specialty empty")
            << QString() << QStringLiteral("1") << QString() << -1 << 0
            << QStringLiteral("Необходимо ввести фамилию имя отчество!") << QStringLiteral("Edit1");
        QTest::newRow("specialty empty") << ivanov << QStringLiteral("1") << QString() << 1 << 0
                                         << QStringLiteral("Необходимо ввести Факультет Группа!")
                                         << QStringLiteral("Edit3");
        QTest::newRow("no course") << ivanov << QString() << po << -1 << 0 << QStringLiteral("Необходимо выбрать курс!")
                                   << QStringLiteral("ComboBox1");
        QTest::newRow("no password, cancelled")
            << ivanov << QString() << po << 0 << int(BoxAnswer::Cancel)
            << QStringLiteral("&Вы действительно хотите зарегистрироваться без пароля!") << QStringLiteral("Edit2");
        QTest::newRow("no password, confirmed")
            << ivanov << QString() << po << 0 << int(BoxAnswer::Ok)
            << QStringLiteral("&Вы действительно хотите зарегистрироваться без пароля!") << QString();
        QTest::newRow("blanks for a name")
            << QStringLiteral("   ") << QStringLiteral("1") << po << 4 << 0 << QString() << QString();
    }

    void registrationChecks()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, specialty);
        QFETCH(int, course);
        QFETCH(int, answer);
        QFETCH(QString, message);
        QFETCH(QString, focus);

        WindowFixture f;
        showSignIn();
        fillRegistration(name, password, specialty, course);
        f.boxes.answers << BoxAnswer(answer);
        Form1->BitBtn1->click();

        QCOMPARE(f.boxes.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty()) {
            const platform::BoxRecord &box = f.boxes.records.first();
            QCOMPARE(box.kind, BoxKind::Information);
            QCOMPARE(box.buttons, password.isEmpty() && course >= 0 ? BoxButtons::OkCancel : BoxButtons::Ok);
        }
        const bool registered = focus.isEmpty();
        QCOMPARE(userCount(f), registered ? 1 : 0);
        QCOMPARE(Form2->isVisible(), registered);
        QCOMPARE(Form1->isVisible(), !registered);
        if (registered) {
            QCOMPARE(f.folder.scalar(QStringLiteral("SELECT \"фамилия\" FROM Users")).toString(), name);
            QCOMPARE(f.folder.scalar(QStringLiteral("SELECT \"пароль\" FROM Users")).toString(), password);
        } else {
            QVERIFY(inRegistrationMode());
            QWidget *focused = Form1->focusWidget();
            QVERIFY(focused == control(focus) || focused->parentWidget() == control(focus));
        }
    }

    void registrationStoresTheStudent()
    {
        WindowFixture f;
        showSignIn();
        fillRegistration(QStringLiteral("Сидорова А.П."), QStringLiteral("qw12"), QStringLiteral("ПИ-31"), 2);
        Form1->BitBtn1->click();

        QVERIFY(f.boxes.records.isEmpty());
        const QString row = QStringLiteral("SELECT %1 FROM Users WHERE \"фамилия\" = 'Сидорова А.П.'");
        QCOMPARE(f.folder.scalar(row.arg(QStringLiteral("\"пароль\""))).toString(), QStringLiteral("qw12"));
        QCOMPARE(f.folder.scalar(row.arg(QStringLiteral("\"специальность\""))).toString(), QStringLiteral("ПИ-31"));
        QCOMPARE(f.folder.scalar(row.arg(QStringLiteral("\"курс\""))).toString(), QStringLiteral("3 - Курс"));
        QCOMPARE(f.folder.scalar(row.arg(QStringLiteral("\"путь\""))).toString(), f.folder.path() + introduction);
        const int id = f.folder.scalar(row.arg(QStringLiteral("ID"))).toInt();
        QVERIFY(id > 0);

        // The new student is the signed-in one: the current row of UserTab, stored.
        QCOMPARE(Data->UserTab->state(), CursorState::Browse);
        QCOMPARE(Data->UserTab->field(0).asInteger(), id);

        QVERIFY(Form2->isVisible());
        QVERIFY(!Form1->isVisible());
        QCOMPARE(Form2->windowTitle(), QStringLiteral("Электроный учебник - Сидорова А.П."));
        QCOMPARE(Form2->WebBrowser1->location(), QDir::currentPath() + u'/' + introduction);
        QCOMPARE(Form2->WebBrowser1->navigationCount(), 1);
        // Hidden, the window keeps its mode and texts.
        QVERIFY(inRegistrationMode());
        QCOMPARE(Form1->Edit1->text(), QStringLiteral("Сидорова А.П."));
    }

    // A deep program folder and the page path may not fit the 100 characters of "путь" together:
    // then the page path alone is stored, and the next sign-in opens the page.
    void registrationInADeepFolder_data()
    {
        QTest::addColumn<int>("total");
        QTest::newRow("100 fits") << 100;
        QTest::newRow("101 does not") << 101;
    }
    void registrationInADeepFolder()
    {
        QFETCH(int, total);
        WindowFixture f;
        showSignIn();
        const QString folder = u'/' + QString(total - int(introduction.size()) - 2, u'п') + u'/';
        platform::setProgramFolder(folder);
        fillRegistration(QStringLiteral("Глубоков"), QStringLiteral("pw"), QStringLiteral("ПО-21"), 0);
        Form1->BitBtn1->click();
        QVERIFY(f.boxes.records.isEmpty());
        const QString stored = total <= 100 ? folder + introduction : introduction;
        QCOMPARE(f.folder.scalar(QStringLiteral("SELECT \"путь\" FROM Users")).toString(), stored);

        platform::setProgramFolder(f.folder.path());
        Form2->hide();
        Form1->BitBtn3->click();
        Form1->show();
        logIn(QStringLiteral("Глубоков"), QStringLiteral("pw"));
        // A whole path names the introduction in a folder that is not the program's: that is no
        // course page, so the program's own introduction opens instead.
        QCOMPARE(Form2->WebBrowser1->location(), platform::expandFileName(introduction));
        QVERIFY(QFileInfo::exists(platform::localPath(Form2->WebBrowser1->location())));
    }

    void unusualTextIsStoredVerbatim_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("specialty");
        QTest::newRow("quotes and SQL") << QStringLiteral("O'Brien\"; DROP TABLE Users;--")
                                        << QStringLiteral("'; DROP TABLE Glaves");
        QTest::newRow("emoji") << QStringLiteral("Студент 🎓 Ёжиков 😀") << QStringLiteral("Психология 🧠");
        QTest::newRow("right to left") << QStringLiteral("שלום עליכם مرحبا") << QStringLiteral("עברית");
        QTest::newRow("joined emoji and a flag")
            << QStringLiteral("Семья 👨‍👩‍👧 🏴󠁧󠁢󠁳󠁣󠁴󠁿")
            << QStringLiteral("Ш\u0301кола");
        QTest::newRow("percent and underscore") << QStringLiteral("100% _a_ \\ \\n") << QStringLiteral("%_%");
    }
    void unusualTextIsStoredVerbatim()
    {
        QFETCH(QString, name);
        QFETCH(QString, specialty);
        WindowFixture f;
        f.addStudent(QStringLiteral("Другой Студент"), QStringLiteral("pw"));
        showSignIn();
        fillRegistration(name, QStringLiteral("p'; --"), specialty, 0);
        Form1->BitBtn1->click();
        QVERIFY(f.boxes.records.isEmpty());

        // Nothing typed reaches another row or another table.
        QCOMPARE(userCount(f), 2);
        QCOMPARE(f.folder.scalar(QStringLiteral("SELECT \"пароль\" FROM Users WHERE \"фамилия\" = 'Другой Студент'"))
                     .toString(),
                 QStringLiteral("pw"));
        QVERIFY(f.folder.scalar(QStringLiteral("SELECT count(*) FROM Glaves")).toInt() > 0);
        QString quoted = name;
        quoted.replace(u'\'', QStringLiteral("''"));
        const QString row = QStringLiteral("SELECT %1 FROM Users WHERE \"фамилия\" = '%2'");
        QCOMPARE(f.folder.scalar(row.arg(QStringLiteral("\"специальность\""), quoted)).toString(), specialty);
        QCOMPARE(f.folder.scalar(row.arg(QStringLiteral("\"пароль\""), quoted)).toString(), QStringLiteral("p'; --"));
        QCOMPARE(Form2->windowTitle(), QStringLiteral("Электроный учебник - ") + name);

        // And the same text signs in again.
        Form2->hide();
        Form1->show();
        Form1->BitBtn3->click();
        logIn(name, QStringLiteral("p'; --"));
        QVERIFY(f.boxes.records.isEmpty());
        QVERIFY(Form2->isVisible());
        QCOMPARE(Form2->windowTitle(), QStringLiteral("Электроный учебник - ") + name);
    }

    // Two copies of the program on one Data.mdb (a class room sharing the file): a student
    // registered by the other copy after this one connected can sign in here, and the name
    // cannot be registered a second time.
    void studentsRegisteredElsewhereAreSeen()
    {
        WindowFixture f;
        showSignIn();
        f.addStudent(QStringLiteral("Сидоров"), QStringLiteral("abc"));
        fillRegistration(QStringLiteral("Сидоров"), QStringLiteral("xyz"), QStringLiteral("ПО-21"), 1);
        Form1->BitBtn1->click();
        QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("&Запись существует!")});
        QCOMPARE(userCount(f), 1);

        f.addStudent(QStringLiteral("Орлова"), QStringLiteral("qwe"));
        Form1->BitBtn3->click();
        logIn(QStringLiteral("Орлова"), QStringLiteral("qwe"));
        QVERIFY(Form2->isVisible());
        QCOMPARE(f.boxes.records.size(), 1);
    }

    // Two copies of the program on one Data.mdb register one name at the same moment, then open
    // one chapter for that student at the same moment: one row each time.
    void twoCopiesAtTheSameMoment()
    {
        TestFolder folder;
        QProcess copies[2];
        for (QProcess &copy : copies) {
            copy.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--copy"), folder.path()});
            QVERIFY(copy.waitForStarted());
        }
        // Both copies begin the step at one moment, a little after both have the line.
        const auto step = [&copies](const QString &line) {
            const auto start = std::chrono::steady_clock::now() + std::chrono::milliseconds(3);
            const QByteArray timed = QByteArray::number(qint64(start.time_since_epoch().count())) + ' ' + line.toUtf8();
            for (QProcess &copy : copies) {
                copy.write(timed + '\n');
                copy.waitForBytesWritten();
            }
            QStringList answers;
            for (QProcess &copy : copies) {
                while (!copy.canReadLine() && copy.waitForReadyRead(30000)) {
                }
                answers << QString::fromUtf8(copy.readLine()).trimmed();
            }
            answers.sort();
            return answers;
        };

        constexpr int rounds = 200;
        int wrongAnswers = 0;
        for (int round = 0; round < rounds; ++round) {
            const QString n = QString::number(round);
            if (step(QStringLiteral("register ") + n) != QStringList{QStringLiteral("stored"), QStringLiteral("taken")})
                ++wrongAnswers;
            QCOMPARE(step(QStringLiteral("find %1 %2").arg(n).arg(1 + round % 6)),
                     QStringList(2, QStringLiteral("ready")));
            QCOMPARE(step(QStringLiteral("open")), QStringList(2, QStringLiteral("done")));
        }
        for (QProcess &copy : copies) {
            copy.closeWriteChannel();
            QVERIFY(copy.waitForFinished());
        }
        const QString twice = QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM %1 GROUP BY %2 HAVING count(*) > 1)");
        const int names = folder.scalar(twice.arg(QStringLiteral("Users"), QStringLiteral("\"фамилия\""))).toInt();
        const int results =
            folder.scalar(twice.arg(QStringLiteral("Result"), QStringLiteral("ID_User, ID_glava"))).toInt();
        qInfo("rounds: %d, names registered twice: %d, result rows made twice: %d", rounds, names, results);
        QCOMPARE(names, 0);
        QCOMPARE(results, 0);
        QCOMPARE(wrongAnswers, 0);
        QCOMPARE(folder.scalar(QStringLiteral("SELECT count(*) FROM Users")).toInt(), rounds);
    }

    void duplicateName()
    {
        WindowFixture f;
        f.addStudent(QStringLiteral("Петров"), QStringLiteral("abc"));
        showSignIn();
        fillRegistration(QStringLiteral("Петров"), QStringLiteral("xyz"), QStringLiteral("ПО-21"), 1);
        Form1->BitBtn1->click();

        QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("&Запись существует!")});
        QCOMPARE(f.boxes.records.first().kind, BoxKind::Information);
        QVERIFY(Form1->Edit1->text().isEmpty());
        QVERIFY(Form1->Edit2->text().isEmpty());
        QCOMPARE(Form1->Edit3->text(), QStringLiteral("ПО-21"));
        QCOMPARE(Form1->ComboBox1->currentText(), QStringLiteral("2 - Курс"));
        QVERIFY(inRegistrationMode());
        QVERIFY(!Form2->isVisible());
        QCOMPARE(userCount(f), 1);
    }

    void entryLengthsFitTheColumns()
    {
        WindowFixture f;
        showSignIn();
        Form1->SpeedButton1->click();

        const QString longName = QString(60, u'Ж');
        typeText(Form1->Edit1, longName);
        typeText(Form1->Edit2, QStringLiteral("1234567890"));
        typeText(Form1->Edit3, QStringLiteral("Прикладная информатика"));
        QCOMPARE(Form1->Edit1->text(), longName.left(50));
        QCOMPARE(Form1->Edit2->text(), QStringLiteral("123456"));
        QCOMPARE(Form1->Edit3->text(), QStringLiteral("Прикладная информати"));

        // The prompt stands in full; typed course text is held to 10 characters.
        QLineEdit *course = Form1->ComboBox1->lineEdit();
        QCOMPARE(course->text(), QStringLiteral("выберите курс"));
        typeText(course, QStringLiteral("Ы"));
        QCOMPARE(course->text(), QStringLiteral("выберите курс"));
        course->clear();
        typeText(course, QStringLiteral("магистратура"));
        QCOMPARE(course->text(), QStringLiteral("магистрату"));

        // What was typed is what is stored, so the same long name is refused the second time
        // and the typed password logs in.
        Form1->ComboBox1->setCurrentIndex(0);
        Form1->BitBtn1->click();
        QCOMPARE(userCount(f), 1);
        QCOMPARE(f.folder.scalar(QStringLiteral("SELECT \"пароль\" FROM Users")).toString(), QStringLiteral("123456"));
        Form1->show();
        Form1->Edit1->clear();
        typeText(Form1->Edit1, longName);
        Form1->Edit2->setText(QStringLiteral("1"));
        Form1->BitBtn1->click();
        QCOMPARE(f.boxes.texts(), QStringList{QStringLiteral("&Запись существует!")});
        QCOMPARE(userCount(f), 1);

        Form1->BitBtn3->click();
        Form2->hide();
        Form1->SpeedButton2->click();
        typeText(Form1->Edit1, longName);
        typeText(Form1->Edit2, QStringLiteral("1234567890"));
        Form1->BitBtn2->click();
        QCOMPARE(f.boxes.texts().size(), 1);
        QVERIFY(Form2->isVisible());
    }

    // Pasted at the width of the column, a character is stored whole or left out whole.
    void pasteAtTheLimit_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("at"); // where the paste goes; -1: the end
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("stored");
        const QString name(49, u'Ж');
        const QString thumb = QStringLiteral("👍🏽"); // two code points, one character
        QTest::newRow("emoji fills the name")
            << "Edit1"
            << "фамилия" << name << -1 << QStringLiteral("😀🎓") << name + QStringLiteral("😀");
        QTest::newRow("emoji with modifier left out") << "Edit1"
                                                      << "фамилия" << name << -1 << thumb << name;
        QTest::newRow("inside the name") << "Edit1"
                                         << "фамилия" << QString(47, u'Ж') + QStringLiteral("ab") << 10
                                         << QStringLiteral("😀😀😀😀")
                                         << QString(10, u'Ж') + QStringLiteral("😀") + QString(37, u'Ж') +
                                                QStringLiteral("ab");
        QTest::newRow("password") << "Edit2"
                                  << "пароль" << QStringLiteral("12345") << -1 << QStringLiteral("😀😀")
                                  << QStringLiteral("12345😀");
    }
    void pasteAtTheLimit()
    {
        QFETCH(QString, box);
        QFETCH(QString, column);
        QFETCH(QString, before);
        QFETCH(int, at);
        QFETCH(QString, pasted);
        QFETCH(QString, stored);
        WindowFixture f;
        showSignIn();
        fillRegistration(QStringLiteral("Иванов"), QStringLiteral("pw"), QStringLiteral("ПО-21"), 0);
        auto *edit = qobject_cast<QLineEdit *>(control(box));
        edit->setText(before);
        edit->setCursorPosition(at < 0 ? int(before.size()) : at);
        edit->insert(pasted);
        QCOMPARE(edit->text(), stored);

        Form1->BitBtn1->click();
        QVERIFY(f.boxes.records.isEmpty());
        QCOMPARE(f.folder.scalar(QStringLiteral("SELECT \"%1\" FROM Users").arg(column)).toString(), stored);
    }

    // Text that would show as something other than what is stored is refused, naming the box.
    void unsafeCharactersRefused_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("label");
        QTest::newRow("NUL in the name") << "Edit1" << QStringLiteral("Иван") + QChar(0) + QStringLiteral("ов")
                                         << "Ф.И.О пользователя";
        QTest::newRow("right-to-left override in the name")
            << "Edit1" << QStringLiteral("Иванов \u202Eвонави") << "Ф.И.О пользователя";
        QTest::newRow("half an emoji in the name")
            << "Edit1" << QStringLiteral("Иванов ") + QChar(0xD83D) << "Ф.И.О пользователя";
        QTest::newRow("escape in the password") << "Edit2" << QStringLiteral("ab\x1b") << "пароль";
        QTest::newRow("isolate in the specialty") << "Edit3" << QStringLiteral("\u2067ПО-21") << "специальность";
        QTest::newRow("line separator in the specialty") << "Edit3" << QStringLiteral("ПО\u202821") << "специальность";
    }
    void unsafeCharactersRefused()
    {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, label);
        WindowFixture f;
        showSignIn();
        fillRegistration(QStringLiteral("Иванов"), QStringLiteral("pw"), QStringLiteral("ПО-21"), 0);
        qobject_cast<QLineEdit *>(control(box))->setText(text);
        Form1->BitBtn1->click();

        QCOMPARE(f.boxes.records.size(), 1);
        QVERIFY(f.boxes.texts().first().startsWith(QStringLiteral("В поле «%1» есть недопустимые символы").arg(label)));
        QCOMPARE(userCount(f), 0);
        QVERIFY(inRegistrationMode());
        QCOMPARE(Form1->focusWidget(), control(box));
    }

    void registrationThatCannotBeStored()
    {
        WindowFixture f;
        const QString file = f.folder.databaseFile();
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        // Permissions do not stop root: then the file itself refuses new students.
        const bool refusedByTrigger = QFileInfo(file).isWritable() || geteuid() == 0;
        if (refusedByTrigger) {
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
            f.folder.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON Users "
                                         "BEGIN SELECT RAISE(ABORT, 'attempt to write a readonly database'); END"));
        }
        showSignIn();
        fillRegistration(QStringLiteral("Кузнецов"), QStringLiteral("pw"), QStringLiteral("ПО-21"), 0);
        Form1->BitBtn1->click();

        QCOMPARE(f.boxes.records.size(), 1);
        const platform::BoxRecord box = f.boxes.records.first();
        QCOMPARE(box.kind, BoxKind::Error);
        QCOMPARE(box.title, QStringLiteral("Ошибка"));
        const QString lead = QStringLiteral("Не удалось сохранить регистрацию: ");
        QVERIFY2(box.text.startsWith(lead) && box.text.size() > lead.size(), qPrintable(box.text));
        QVERIFY(!Form2->isVisible());
        QCOMPARE(Form2->WebBrowser1->navigationCount(), 0);
        QVERIFY(!Form2->windowTitle().contains(QStringLiteral("Кузнецов")));
        QVERIFY(Form1->isVisible());
        QVERIFY(inRegistrationMode());
        QCOMPARE(Form1->Edit1->text(), QStringLiteral("Кузнецов"));
        QCOMPARE(Data->UserTab->state(), CursorState::Browse);
        QCOMPARE(Data->UserTab->recordCount(), 0);
        QCOMPARE(userCount(f), 0);

        if (refusedByTrigger) {
            // Once the file takes the row the same entry registers, as one row.
            f.folder.exec(QStringLiteral("DROP TRIGGER refuse"));
            Form1->BitBtn1->click();
            QCOMPARE(f.boxes.records.size(), 1);
            QVERIFY(Form2->isVisible());
            QCOMPARE(userCount(f), 1);
            QCOMPARE(Data->UserTab->recordCount(), 1);
        }
    }

    void login_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("error"); // empty: signed in
        const QString register_ = QStringLiteral("Необходимо зарегистрироваться!");
        const QString wrong = QStringLiteral("Пароль правильный набери!");

        QTest::newRow("unregistered") << QStringLiteral("Никто") << QString() << register_;
        QTest::newRow("name in another case") << QStringLiteral("ПЕТРОВ") << QStringLiteral("abc") << register_;
        QTest::newRow("name is a prefix") << QStringLiteral("Пет") << QStringLiteral("abc") << register_;
        QTest::newRow("wrong password") << QStringLiteral("Петров") << QStringLiteral("abd") << wrong;
        QTest::newRow("password in another case") << QStringLiteral("Петров") << QStringLiteral("ABC") << wrong;
        QTest::newRow("password missing") << QStringLiteral("Петров") << QString() << wrong;
        QTest::newRow("right password") << QStringLiteral("Петров") << QStringLiteral("abc") << QString();
        QTest::newRow("empty password") << QStringLiteral("Без пароля") << QString() << QString();
        QTest::newRow("password given, none stored") << QStringLiteral("Без пароля") << QStringLiteral("x") << wrong;
    }

    void login()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, error);

        WindowFixture f;
        const int petrov = f.addStudent(QStringLiteral("Петров"), QStringLiteral("abc"));
        f.addStudent(QStringLiteral("Без пароля"));
        const QString page = f.folder.path() + QStringLiteral("Glaves\\Глава2.htm");
        f.folder.exec(QStringLiteral("UPDATE Users SET \"путь\" = '%1' WHERE ID = %2").arg(page).arg(petrov));
        showSignIn();
        Form1->Edit3->setText(QStringLiteral("ПИ-31"));
        Form1->ComboBox1->setCurrentIndex(3);
        const QString title = Form2->windowTitle();

        logIn(name, password);

        if (error.isEmpty()) {
            QVERIFY(f.boxes.records.isEmpty());
            QVERIFY(Form2->isVisible());
            QVERIFY(!Form1->isVisible());
            QCOMPARE(Form2->windowTitle(), QStringLiteral("Электроный учебник - ") + name);
            // The stored page as it is; an empty one goes to the view empty.
            QCOMPARE(Form2->WebBrowser1->location(), name == QStringLiteral("Петров") ? page : QString());
            QCOMPARE(Form2->WebBrowser1->navigationCount(), 1);
            QCOMPARE(Data->UserTab->field(1).asString(), name);
        } else {
            QCOMPARE(f.boxes.texts(), QStringList{error});
            QCOMPARE(f.boxes.records.first().kind, BoxKind::Error);
            QCOMPARE(f.boxes.records.first().title, QStringLiteral("Ошибка"));
            QVERIFY(!Form2->isVisible());
            QCOMPARE(Form2->windowTitle(), title);
            QVERIFY(Form1->isVisible());
        }
        if (name == QStringLiteral("Петров"))
            QCOMPARE(Form1->storedPassword(), QStringLiteral("abc"));

        // Every attempt ends in the initial mode with name and password cleared.
        checkInitialMode();
        QVERIFY(Form1->Edit1->text().isEmpty());
        QVERIFY(Form1->Edit2->text().isEmpty());
        QCOMPARE(Form1->Edit3->text(), QStringLiteral("ПИ-31"));
        QCOMPARE(Form1->ComboBox1->currentText(), QStringLiteral("4 - Курс"));
    }

    void loginAfterRegistrationOpensTheIntroduction()
    {
        WindowFixture f;
        showSignIn();
        fillRegistration(QStringLiteral("Орлов"), QString(), QStringLiteral("ПО-21"), 0);
        Form1->BitBtn1->click(); // the question is answered OK
        QVERIFY(Form2->isVisible());

        Form2->hide();
        Form1->BitBtn3->click();
        Form1->show();
        logIn(QStringLiteral("Орлов"), QString());
        QCOMPARE(f.boxes.texts(),
                 QStringList{QStringLiteral("&Вы действительно хотите зарегистрироваться без пароля!")});
        QVERIFY(Form2->isVisible());
        QCOMPARE(Form2->WebBrowser1->location(), f.folder.path() + introduction);
    }

    void closingEndsTheProgram_data()
    {
        QTest::addColumn<bool>("signedIn");
        QTest::newRow("before sign-in") << false;
        QTest::newRow("after sign-in") << true;
    }

    void closingEndsTheProgram()
    {
        QFETCH(bool, signedIn);
        WindowFixture f;
        f.addStudent(QStringLiteral("Петров"), QStringLiteral("abc"));
        showSignIn();
        if (signedIn) {
            logIn(QStringLiteral("Петров"), QStringLiteral("abc"));
            QVERIFY(!Form1->isVisible());
        }
        QVERIFY(!Form4->applicationTerminated());

        Form1->close();
        QVERIFY(Form4->applicationTerminated());
        QVERIFY(!Form1->isVisible());
        for (TableCursor *cursor : {Data->UserTab, Data->SystemTab, Data->ResultTab, Data->GlavesTab})
            QVERIFY(!cursor->isOpen());
        QVERIFY(f.boxes.records.isEmpty());
    }
};

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--copy") == 0) {
        QCoreApplication app(argc, argv);
        return runCopy(QString::fromLocal8Bit(argv[2]));
    }
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestSignIn test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_signin.moc"
