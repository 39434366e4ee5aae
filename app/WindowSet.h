#pragma once

#include "shell/Windows.h"

#include <memory>

class TData;
class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;
class TForm9;
class TForm10;
class TForm11;
class TForm12;
class TForm13;

// Makes the program's windows, owns them and points the global instances at them. There is one
// way to make them, which the program and the tests both take: the greeting first, then the
// windows behind it step by step (sign-in, reader, data module, presentations), then the side
// windows (statistics, author, test, manuals, customer) together on first use. Destroying the set
// destroys the windows and clears the globals, so a test can build a fresh set per case.
class WindowSet : public shell::Windows
{
public:
    // The greeting alone; the program shows it before anything else is touched.
    WindowSet();
    // The whole set, through the same steps: for tests and tools that want every window at once.
    static std::unique_ptr<WindowSet> everyWindow();

    // Makes the next window behind the greeting; true once they all exist. The program makes them
    // one per turn of the event loop, so the greeting's fade and clicks are never held up long.
    // A failure (the presentations window cannot open Data.mdb) throws after undoing all but the
    // greeting.
    bool completeStep();
    // All the remaining steps at once (later calls do nothing).
    void complete();
    bool isComplete() const { return m_complete; }

    // The side windows, made together: all of them or, after a failure, none (the failure is
    // thrown to the handler that wanted one, which reports it; the next use tries again).
    void makeSideWindows();
    bool hasSideWindows() const { return m_form3 != nullptr; }
    // Tests: makeSideWindows() fails after making this many of them (negative: never).
    static void failSideWindowsAfter(int made);

    ~WindowSet();
    WindowSet(const WindowSet &) = delete;
    WindowSet &operator=(const WindowSet &) = delete;

    QWidget *greeting() override;
    QWidget *signIn() override;
    shell::Reader *reader() override;
    shell::Statistics *statistics() override;
    shell::TestWindow *test() override;
    // Made on first use, above the reader.
    shell::Review *review() override;
    QWidget *customer() override;
    shell::Manual *manual() override;
    shell::Presentations *presentations() override;
    QWidget *customerIfMade() override;
    shell::TeacherDesk *teacherDesk() override;

private:
    std::unique_ptr<TForm4> m_form4;
    std::unique_ptr<TForm1> m_form1;
    std::unique_ptr<TForm2> m_form2;
    std::unique_ptr<TForm3> m_form3;
    std::unique_ptr<TForm5> m_form5;
    std::unique_ptr<TForm6> m_form6;
    std::unique_ptr<TData> m_data;
    std::unique_ptr<TForm9> m_form9;
    std::unique_ptr<TForm7> m_form7;
    std::unique_ptr<TForm10> m_form10;
    std::unique_ptr<TForm11> m_form11;
    std::unique_ptr<TForm12> m_form12;
    std::unique_ptr<TForm13> m_form13;

    bool m_complete = false;

    void releaseSideWindows();
    void release();
};
