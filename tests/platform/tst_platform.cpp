#include "platform/FormFonts.h"
#include "platform/HandlerGuard.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramPaths.h"
#include "platform/QtTexts.h"
#include "platform/ShellOpen.h"
#include "platform/WebView.h"
#include "platform/Widgets.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QUrl>

#include <memory>
#include <stdexcept>

using namespace platform;

class TestPlatform : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mnemonics_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("rich");
        QTest::newRow("leading") << QStringLiteral("&Запись существует!")
                                 << QStringLiteral("<u>З</u>апись существует!");
        QTest::newRow("double") << QStringLiteral("A && B") << QStringLiteral("A &amp; B");
        QTest::newRow("markup") << QStringLiteral("<b>") << QStringLiteral("&lt;b&gt;");
        QTest::newRow("carriage return") << QStringLiteral("a\rb") << QStringLiteral("a<br>b");
        QTest::newRow("trailing") << QStringLiteral("a&") << QStringLiteral("a&amp;");
    }
    void mnemonics()
    {
        QFETCH(QString, text);
        QFETCH(QString, rich);
        QCOMPARE(mnemonicToRichText(text), rich);
    }

    // Pages are found beside the program whatever the current directory (the data folder) is.
    void pagePaths_data()
    {
        QTest::addColumn<QString>("path");     // "<program>" stands for the program's folder
        QTest::addColumn<QString>("expanded"); // likewise
        const QString page = QStringLiteral("Glaves\\Glava2.htm");
        QTest::newRow("relative") << page << QStringLiteral("<program>") + page;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("whole, present") << QStringLiteral("<program>") + page << QStringLiteral("<program>") + page;
        QTest::newRow("whole, moved") << QStringLiteral("/нет/такой/папки/") + page
                                      << QStringLiteral("<program>") + page;
        QTest::newRow("whole, no such page")
            << QStringLiteral("/нет/такой/папки/Glaves\\Нет.htm") << QStringLiteral("/нет/такой/папки/Glaves\\Нет.htm");
        QTest::newRow("whole, not a page") << QStringLiteral("/нет/Glava2.htm") << QStringLiteral("/нет/Glava2.htm");
    }
    void pagePaths()
    {
        QFETCH(QString, path);
        QFETCH(QString, expanded);
        QTemporaryDir program;
        QTemporaryDir data;
        QVERIFY(QDir(program.path()).mkpath(QStringLiteral("Glaves")));
        QFile file(program.filePath(QStringLiteral("Glaves/Glava2.htm")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        setProgramFolder(program.path());
        const QString previous = QDir::currentPath();
        QDir::setCurrent(data.path());
        const QString result = expandFileName(path.replace(QStringLiteral("<program>"), programFolder()));
        QDir::setCurrent(previous);
        setProgramFolder({});
        QCOMPARE(result, expanded.replace(QStringLiteral("<program>"), program.path() + u'/'));
    }

    void programFolderEndsWithSeparator()
    {
        setProgramFolder(QStringLiteral("/tmp/Учебник с пробелом"));
        QCOMPARE(programFolder(), QStringLiteral("/tmp/Учебник с пробелом/"));
        WebView view;
        QCOMPARE(view.Path(), QStringLiteral("/tmp/Учебник с пробелом/"));
        setProgramFolder({});
        QVERIFY(programFolder().endsWith(u'/'));
    }

    void missingPageShowsNotice()
    {
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("Glaves"));
        setProgramFolder(dir.path());
        WebView::setDefaultBackend(WebView::Backend::TextBrowser);
        WebView view;
        QSignalSpy loaded(&view, &WebView::loadFinished);
        const QString missing = dir.path() + QStringLiteral("/Glaves\\Нет.htm");
        view.Navigate(missing);
        setProgramFolder({});
        QCOMPARE(view.location(), missing);
        QCOMPARE(loaded.count(), 1);
        QCOMPARE(loaded.at(0).at(0).toBool(), false);
        QVERIFY(view.shownUrl().isEmpty());
        QVERIFY(view.notice().isEmpty());
    }

    void guardTurnsExceptionIntoErrorBox()
    {
        ScriptedMessageBoxes boxes;
        bool after = false;
        const bool ok = guarded([&] {
            throw std::runtime_error("Таблица не найдена");
            after = true;
        });
        QVERIFY(!ok);
        QVERIFY(!after);
        QCOMPARE(boxes.records.size(), 1);
        QCOMPARE(boxes.records[0].kind, BoxKind::StandardError);
        QCOMPARE(boxes.records[0].text, QStringLiteral("Таблица не найдена"));
    }

    void boxesRecordKindsAndAnswers()
    {
        ScriptedMessageBoxes boxes;
        boxes.answers = {BoxAnswer::Cancel};
        QCOMPARE(informationBox(QStringLiteral("q?"), BoxButtons::OkCancel), BoxAnswer::Cancel);
        errorBox(QStringLiteral("e"));
        plainBox(QStringLiteral("p"));
        QCOMPARE(boxes.records.size(), 3);
        QCOMPARE(boxes.records[0].title, QStringLiteral("Information"));
        QCOMPARE(boxes.records[0].buttons, BoxButtons::OkCancel);
        QCOMPARE(boxes.records[1].title, QStringLiteral("Ошибка"));
        QCOMPARE(boxes.records[1].kind, BoxKind::Error);
        QCOMPARE(boxes.records[2].kind, BoxKind::Plain);
    }

    // A real box belongs to the window in front, so a window manager keeps it above that window
    // even when it stays on top of all others: the active one, else one that stays on top.
    void boxesBelongToTheFrontWindow_data()
    {
        QTest::addColumn<bool>("activate");
        QTest::newRow("active window") << true;
        QTest::newRow("nothing active") << false;
    }
    void boxesBelongToTheFrontWindow()
    {
        QFETCH(bool, activate);
        QWidget plain;
        QWidget onTop(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
        plain.show();
        onTop.show();
        QVERIFY(QTest::qWaitForWindowExposed(&onTop));
        if (activate) {
            plain.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&plain));
        } else {
            QApplication::setActiveWindow(nullptr);
        }
        QWidget *owner = nullptr;
        QTimer::singleShot(0, [&] {
            if (QWidget *box = QApplication::activeModalWidget()) {
                owner = box->parentWidget();
                box->close();
            }
        });
        plainBox(QStringLiteral("Заданный интервал времени истек!"));
        QCOMPARE(owner, activate ? &plain : &onTop);
    }

    void enterAndEscapePressVisibleButtons()
    {
        QWidget window;
        auto *ok1 = new BitBtn(QStringLiteral("OK"), BitBtn::Kind::Ok, &window);
        auto *ok2 = new BitBtn(QStringLiteral("OK"), BitBtn::Kind::Ok, &window);
        auto *cancel = new BitBtn(QStringLiteral("Cancel"), BitBtn::Kind::Cancel, &window);
        ok1->hide();
        bindDialogKeys(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        window.setFocus();
        QSignalSpy first(ok1, &QPushButton::clicked);
        QSignalSpy second(ok2, &QPushButton::clicked);
        QSignalSpy escape(cancel, &QPushButton::clicked);
        QTest::keyClick(&window, Qt::Key_Return);
        QCOMPARE(first.count(), 0);
        QCOMPARE(second.count(), 1);
        QTest::keyClick(&window, Qt::Key_Escape);
        QCOMPARE(escape.count(), 1);
        cancel->hide();
        QTest::keyClick(&window, Qt::Key_Escape);
        QCOMPARE(escape.count(), 1);
    }

    void clickableLabelReportsClicks()
    {
        ClickableLabel label(QStringLiteral("Глава3"));
        label.resize(80, 20);
        QSignalSpy clicks(&label, &ClickableLabel::clicked);
        QTest::mouseClick(&label, Qt::LeftButton);
        QCOMPARE(clicks.count(), 1);
        label.setEnabled(false);
        QTest::mouseClick(&label, Qt::LeftButton);
        QCOMPARE(clicks.count(), 1);
        label.setFontColor(QColor(255, 255, 255));
        QCOMPARE(label.fontColor(), QColor(255, 255, 255));
    }

    // A form's pixel sizes reach the widgets made before them: the window's to those without a
    // size of their own, a widget's own to it and its children.
    void pixelFontsFromAForm()
    {
        QWidget window;
        auto *plain = new QLabel(&window);
        auto *box = new QGroupBox(&window);
        auto *inBox = new QLabel(box);
        QFont bold;
        bold.setBold(true);
        box->setFont(bold);
        window.setProperty("fontPixelSize", 9);
        box->setProperty("fontPixelSize", 16);
        applyPixelFonts(&window);
        QCOMPARE(window.font().pixelSize(), 9);
        QCOMPARE(plain->font().pixelSize(), 9);
        QCOMPARE(box->font().pixelSize(), 16);
        QVERIFY(box->font().bold());
        QCOMPARE(inBox->font().pixelSize(), 16);
    }

    // What the program sets for itself stays with it: the desktop's programs it starts get the
    // user's own environment, with the file's path as given.
    // Qt's own texts, such as an edit box's menu, read Russian whatever the system's language.
    void qtTextsInRussian()
    {
        QVERIFY2(installRussianQtTexts(), "qt6-translations-l10n is not installed");
        QLineEdit edit;
        const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QStringList texts;
        for (const QAction *action : menu->actions())
            texts << action->text().remove(u'&').section(u'\t', 0, 0);
        QVERIFY2(texts.contains(QStringLiteral("Копировать")), qPrintable(texts.join(u'|')));
        for (QTranslator *translator : QCoreApplication::instance()->findChildren<QTranslator *>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }

    void startedProgramsGetTheUsersEnvironment()
    {
        qputenv("VELANIKA_TEST_KEPT", "user");
        qunsetenv("VELANIKA_TEST_NEW");
        platform::setOwnEnvironment("VELANIKA_TEST_KEPT", "program");
        platform::setOwnEnvironment("VELANIKA_TEST_NEW", "program");
        platform::setOwnEnvironment("VELANIKA_TEST_KEPT", "again");
        QCOMPARE(qgetenv("VELANIKA_TEST_KEPT"), QByteArray("again"));
        const QProcessEnvironment user = platform::userEnvironment();
        QCOMPARE(user.value(QStringLiteral("VELANIKA_TEST_KEPT")), QStringLiteral("user"));
        QVERIFY(!user.contains(QStringLiteral("VELANIKA_TEST_NEW")));

        // A stand-in xdg-open that notes its argument and what it was given of the variable.
        QTemporaryDir bin;
        QFile stub(bin.filePath(QStringLiteral("xdg-open")));
        QVERIFY(stub.open(QIODevice::WriteOnly));
        stub.write("#!/bin/sh\n{ printf '%s\\n' \"$1\" \"${VELANIKA_TEST_NEW-unset}\"; } > \"$0.tmp\"\n"
                   "mv \"$0.tmp\" \"$0.called\"\n");
        stub.close();
        stub.setPermissions(stub.permissions() | QFileDevice::ExeOwner);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);

        auto *owner = new QObject;
        platform::installDesktopOpener(owner);
        const QString file = bin.filePath(QStringLiteral("Цикл ведения.pdf"));
        QVERIFY(QDesktopServices::openUrl(QUrl::fromLocalFile(file)));
        QFile called(stub.fileName() + QStringLiteral(".called"));
        QTRY_VERIFY(called.exists());
        QVERIFY(called.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(called.readAll()).split(u'\n');
        QCOMPARE(lines.value(0), file);
        QCOMPARE(lines.value(1), QStringLiteral("unset"));

        qputenv("PATH", path);

        // As at the program's end: the opener goes without a word, and takes its place with it.
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        delete owner;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("does not support")));
        QVERIFY(!QDesktopServices::openUrl(QUrl::fromLocalFile(file)));
    }
};

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
