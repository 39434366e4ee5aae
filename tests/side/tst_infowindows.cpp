#include "platform/Widgets.h"
#include "side/Unit11.h"
#include "side/Unit5.h"
#include "side/Unit7.h"
#include "side/Unit9.h"
#include "tests/support/FormFacts.h"
#include "tests/support/WindowFixture.h"

#include <QDir>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

class TestInfoWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The forms' key facts, a table per window.
    void customerForm_data()
    {
        using formfacts::row;
        formfacts::addColumns();
        row("Form7", "", "Заказчик", {0, 0, 311, 198});
        row("Label1", "Form7", "Профессор, Кандидат психологических наук", {16, 24, 152, 32});
        row("Label2", "Form7", "Зав. кафедрой психологии и педагогики", {16, 72, 268, 16});
        row("Label3", "Form7", "Нерсин ", {168, 104, 114, 16});
    }
    void customerForm()
    {
        WindowFixture f;
        formfacts::check(Form7);
    }

    void authorForm_data()
    {
        using formfacts::row;
        formfacts::addColumns();
        // The '&' of a caption shows as the underlined letter after it; the blanks stay.
        row("Form5", "", "Автор", {0, 0, 434, 299});
        row("Bevel1", "Form5", "", {8, 0, 161, 217});
        row("Label1", "Form5", "<span style=\"white-space: pre-wrap\"><u>А</u>втор программы Равенов</span>",
            {200, 8, 163, 66});
        row("Bevel2", "Form5", "", {208, 176, 193, 57});
        row("Image1", "Form5", "", {16, 8, 145, 201});
        row("Label2", "Form5",
            "<span style=\"white-space: pre-wrap\">      <u>О</u>ртанский государственный университет</span>",
            {184, 88, 236, 80});
        row("StatusBar1", "Form5", "", {0, 280, 434, 19});
        row("BitBtn1", "Form5", "&Выход", {304, 192, 75, 25}, 0, "Ok");
    }
    void authorForm()
    {
        WindowFixture f;
        formfacts::check(Form5);
    }

    void frameLessManualForm_data()
    {
        using formfacts::row;
        formfacts::addColumns();
        row("Form9", "", "Руководство пользователя", {0, 0, 909, 516});
        row("Label2", "Form9", "Веланика", {136, 104, 163, 64});
    }
    void frameLessManualForm()
    {
        WindowFixture f;
        formfacts::check(Form9);
    }

    void userManualForm_data()
    {
        using formfacts::row;
        formfacts::addColumns();
        row("Form11", "", "Руководство пользователя", {0, 0, 928, 480});
    }
    void userManualForm()
    {
        WindowFixture f;
        formfacts::check(Form11);
    }

    void customerWindow()
    {
        WindowFixture f;
        QVERIFY(!(Form7->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    }

    void authorWindow()
    {
        WindowFixture f;
        Form5->show();
        // White text must be readable on the window.
        QCOMPARE(Form5->Label1->palette().color(QPalette::WindowText), QColor(Qt::white));
        QVERIFY(Form5->palette().color(QPalette::Window).lightness() < 100);
        // The portrait keeps its proportions inside its frame.
        const QSize portrait = Form5->Image1->pixmap().size();
        QVERIFY(!portrait.isEmpty());
        QVERIFY(portrait.width() <= Form5->Image1->width() && portrait.height() <= Form5->Image1->height());
        QVERIFY(portrait.width() == Form5->Image1->width() || portrait.height() == Form5->Image1->height());
        // The bar's one panel takes its whole width.
        const QLabel *panel = Form5->StatusBar1->findChild<QLabel *>();
        QCOMPARE(panel->text(), QStringLiteral("Веланика 2007"));
        QVERIFY(panel->geometry().bottom() < Form5->StatusBar1->height());
        QVERIFY(panel->width() > Form5->StatusBar1->width() * 9 / 10);
        QTest::mouseClick(Form5->BitBtn1, Qt::LeftButton);
        QVERIFY(!Form5->isVisible());
    }

    void frameLessManualWindow()
    {
        WindowFixture f;
        QVERIFY(Form9->windowFlags() & Qt::FramelessWindowHint);
        // Each caption shows whole on the faces installed.
        for (QLabel *label : {Form9->Label1, Form9->Label2, Form9->Label4})
            QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(label->objectName()));
        Form2->hide();
        Form9->show();
        QCOMPARE(Form9->geometry().center(), Form9->screen()->availableGeometry().center());
        // The view lies over the labels and fills the window.
        QCOMPARE(Form9->WebBrowser1->geometry(), Form9->rect());
        QVERIFY(Form9->WebBrowser1->location().isEmpty());
        Q_EMIT Form9->Label2->clicked();
        QVERIFY(Form2->isVisible());
        QVERIFY(!Form9->isVisible());

        Form2->hide();
        Form9->show();
        QTest::mouseClick(Form9, Qt::LeftButton, {}, QPoint(1, 1));
        QVERIFY(Form2->isVisible());
        QVERIFY(!Form9->isVisible());
    }

    void userManualWindow()
    {
        WindowFixture f;
        Form11->show();
        QCOMPARE(Form11->WebBrowser1->geometry(), Form11->rect());
        Form11->resize(700, 350);
        QCOMPARE(Form11->WebBrowser1->geometry(), QRect(0, 0, 700, 350));
    }

    void fromTheReaderMenu()
    {
        WindowFixture f;
        f.addStudent(QStringLiteral("Иванов И.И."));
        f.signInDirectly(QStringLiteral("Иванов И.И."));
        Form2->N5Click();
        QVERIFY(Form7->isVisible());
        QCOMPARE(Form7->windowTitle(), QStringLiteral("Заказчик"));
        QVERIFY(!Form5->isVisible());

        // The manual comes from the program's folder wherever the current directory is.
        QTemporaryDir elsewhere;
        QDir::setCurrent(elsewhere.path());
        Form2->N3Click();
        Form11->close();
        Form2->N3Click();
        QVERIFY(Form11->isVisible());
        QCOMPARE(Form11->WebBrowser1->navigationCount(), 2);
        QCOMPARE(Form11->WebBrowser1->location(), f.folder.path() + QStringLiteral("Glaves\\Руководство.htm"));
        QVERIFY(f.boxes.records.isEmpty());
    }
};

QTEST_MAIN(TestInfoWindows)
#include "tst_infowindows.moc"
