#include "platform/Widgets.h"
#include "side/Unit11.h"
#include "side/Unit5.h"
#include "side/Unit7.h"
#include "side/Unit9.h"
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
    void customerWindow()
    {
        WindowFixture f;
        Form7->show();
        QCOMPARE(Form7->windowTitle(), QStringLiteral("Заказчик"));
        QVERIFY(!(Form7->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        const QStringList texts{QStringLiteral("Профессор, Кандидат психологических наук"),
                                QStringLiteral("Зав. кафедрой психологии и педагогики"), QStringLiteral("Нерсин ")};
        const QList<QLabel *> labels{Form7->Label1, Form7->Label2, Form7->Label3};
        for (int i = 0; i < labels.size(); ++i) {
            QVERIFY(labels[i]->isVisible());
            QCOMPARE(labels[i]->text(), texts[i]);
            QVERIFY(labels[i]->font().bold() && labels[i]->font().italic());
            QCOMPARE(labels[i]->palette().color(QPalette::WindowText), QColor(128, 0, 0));
        }
    }

    void authorWindow()
    {
        WindowFixture f;
        Form5->show();
        QCOMPARE(Form5->windowTitle(), QStringLiteral("Автор"));
        QCOMPARE(Form5->pos(), QPoint(299, 207));
        QCOMPARE(Form5->size(), QSize(434, 299));
        // The '&' underlines the next letter, as on a mnemonic; the blanks stay.
        QVERIFY(Form5->Label1->text().contains(QStringLiteral("<u>А</u>втор программы Равенов")));
        QVERIFY(Form5->Label2->text().contains(QStringLiteral("      <u>О</u>ртанский государственный университет")));
        QCOMPARE(Form5->Label1->palette().color(QPalette::WindowText), QColor(Qt::white));
        // White text must be readable on the window.
        QVERIFY(Form5->palette().color(QPalette::Window).lightness() < 100);
        QCOMPARE(Form5->StatusBar1->findChild<QLabel *>()->text(), QStringLiteral("Веланика 2007"));
        QCOMPARE(Form5->StatusBar1->geometry(), QRect(0, 280, 434, 19));
        QCOMPARE(Form5->BitBtn1->text(), QStringLiteral("&Выход"));
        QTest::mouseClick(Form5->BitBtn1, Qt::LeftButton);
        QVERIFY(!Form5->isVisible());
    }

    void frameLessManualWindow()
    {
        WindowFixture f;
        QVERIFY(Form9->windowFlags() & Qt::FramelessWindowHint);
        Form2->hide();
        Form9->show();
        QCOMPARE(Form9->size(), QSize(909, 516));
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
        QCOMPARE(Form11->windowTitle(), QStringLiteral("Руководство пользователя"));
        QCOMPARE(Form11->pos(), QPoint(177, 219));
        Form11->show();
        QCOMPARE(Form11->size(), QSize(928, 480));
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
