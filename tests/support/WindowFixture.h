#pragma once

#include "app/WindowSet.h"
#include "data/TableCursor.h"
#include "data/Unit8.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramPaths.h"
#include "platform/WebView.h"
#include "reader/Unit2.h"
#include "tests/support/TestFolder.h"

#include <QApplication>
#include <QString>

#include <memory>

// One test case's program: a fresh copy of the runnable folder as program folder and current
// directory, scripted message boxes, the light page view, and a new window set.
struct WindowFixture
{
    TestFolder folder;
    platform::ScriptedMessageBoxes boxes;
    std::unique_ptr<WindowSet> windows;

    explicit WindowFixture(bool createWindows = true)
    {
        QApplication::setQuitOnLastWindowClosed(false);
        platform::setProgramFolder(folder.path());
        platform::WebView::setDefaultBackend(platform::WebView::Backend::TextBrowser);
        if (createWindows)
            windows = WindowSet::everyWindow();
    }

    ~WindowFixture()
    {
        windows.reset();
        platform::setProgramFolder({});
    }

    WindowFixture(const WindowFixture &) = delete;
    WindowFixture &operator=(const WindowFixture &) = delete;

    // Registers a student directly in Data.mdb (before or after the windows exist) and returns its ID.
    int addStudent(const QString &name, const QString &password = {},
                   const QString &specialty = QStringLiteral("ПО-21"),
                   const QString &course = QStringLiteral("1 - Курс"))
    {
        folder.exec(QStringLiteral("INSERT INTO Users (\"фамилия\", \"пароль\", \"специальность\", \"курс\", \"путь\") "
                                   "VALUES ('%1', '%2', '%3', '%4', '')")
                        .arg(name, password, specialty, course));
        return folder.scalar(QStringLiteral("SELECT max(ID) FROM Users")).toInt();
    }

    // The state a successful login leaves: the data module connected, the student the current
    // row of UserTab, the reader visible. Does not go through the sign-in window.
    void signInDirectly(const QString &name)
    {
        Data->connectTo(platform::dataFolder());
        Data->UserTab->refresh();
        if (!Data->UserTab->locate(QStringLiteral("фамилия"), name))
            throw std::runtime_error("no such student");
        Data->setStudentId(Data->UserTab->fieldByName(QStringLiteral("ID")).asInteger());
        Form2->setVisible(true);
        Form2->setWindowTitle(QStringLiteral("Электроный учебник - ") + name);
    }
};
