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

// Creates the program's windows once, hidden, in their fixed order, and points the global
// instances at them. Destroying it destroys the windows and clears the globals, so a test can
// build a fresh set per case. A failure while the windows are created (the presentations
// window cannot open Data.mdb) throws, after undoing what was created.
class WindowSet : public shell::Windows
{
public:
    // Every window at once.
    WindowSet();
    // The greeting alone; complete() makes the sign-in window, the reader, the data module and
    // the presentations window, and the reader makes the others on first use. The program
    // starts this way so the greeting is on screen before anything else is touched.
    struct GreetingFirst
    {
    };
    explicit WindowSet(GreetingFirst);
    // Creates those windows (once; later calls do nothing). Throws as the full constructor
    // does, after undoing what it created; the greeting stays.
    void complete();
    // Creates the next of those windows only; true once they all exist. The program makes them
    // one per turn of the event loop, so the greeting's fade and clicks are never held up long.
    bool completeStep();
    bool isComplete() const { return m_complete; }

    ~WindowSet();
    WindowSet(const WindowSet &) = delete;
    WindowSet &operator=(const WindowSet &) = delete;

    QWidget *greeting() override;
    QWidget *signIn() override;
    shell::Reader *reader() override;
    shell::Statistics *statistics() override;
    shell::TestWindow *test() override;
    QWidget *customer() override;
    shell::Manual *manual() override;
    shell::Presentations *presentations() override;
    QWidget *customerIfMade() override;

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

    bool m_complete = false;

    void createSideWindows();
    void release();
};
