#include "app/WindowSet.h"

#include "app/Unit4.h"
#include "data/Unit8.h"
#include "desk/Unit13.h"
#include "platform/BusySign.h"
#include "reader/Unit2.h"
#include "side/Unit10.h"
#include "side/Unit11.h"
#include "side/Unit5.h"
#include "side/Unit7.h"
#include "side/Unit9.h"
#include "signin/Unit1.h"
#include "stats/Unit3.h"
#include "testing/Unit12.h"
#include "testing/Unit6.h"

#include <stdexcept>

namespace {

template <typename T> T *create(std::unique_ptr<T> &owner, T *&global)
{
    owner = std::make_unique<T>();
    global = owner.get();
    return global;
}

int sideWindowsBeforeFault = -1;

} // namespace

WindowSet::WindowSet()
{
    shell::setWindows(this);
    create(m_form4, Form4);
    platform::installBusySign();
}

std::unique_ptr<WindowSet> WindowSet::everyWindow()
{
    auto set = std::make_unique<WindowSet>();
    set->complete();
    set->makeSideWindows();
    return set;
}

void WindowSet::complete()
{
    while (!completeStep()) {
    }
}

bool WindowSet::completeStep()
{
    if (m_complete)
        return true;
    try {
        // What sign-in and the reader need, in the same relative order; the presentations
        // window too, as it checks the database's presentation list at start.
        if (!m_form1)
            create(m_form1, Form1);
        else if (!m_form2)
            create(m_form2, Form2);
        else if (!m_data)
            create(m_data, Data);
        else
            create(m_form10, Form10);
    } catch (...) {
        // Undo all but the greeting.
        std::unique_ptr<TForm4> greeting = std::move(m_form4);
        release();
        m_form4 = std::move(greeting);
        Form4 = m_form4.get();
        shell::setWindows(this);
        throw;
    }
    if (!m_form10)
        return false;
    // The rest on first use (makeSideWindows): most sessions never open some of them, and
    // each costs memory.
    m_complete = true;
    return true;
}

void WindowSet::makeSideWindows()
{
    if (hasSideWindows())
        return;
    // The test window follows the data module's cursors.
    complete();
    int made = 0;
    const auto next = [&made] {
        if (made++ == sideWindowsBeforeFault)
            throw std::runtime_error("Не удалось создать окно.");
    };
    try {
        next();
        create(m_form3, Form3);
        next();
        create(m_form5, Form5);
        next();
        create(m_form6, Form6);
        next();
        create(m_form9, Form9);
        next();
        create(m_form7, Form7);
        next();
        create(m_form11, Form11);
        Form6->bindDataSources();
    } catch (...) {
        releaseSideWindows();
        throw;
    }
}

WindowSet::~WindowSet()
{
    platform::uninstallBusySign();
    release();
}

QWidget *WindowSet::greeting()
{
    return m_form4.get();
}

QWidget *WindowSet::signIn()
{
    return m_form1.get();
}

shell::Reader *WindowSet::reader()
{
    return m_form2.get();
}

shell::Statistics *WindowSet::statistics()
{
    makeSideWindows();
    return m_form3.get();
}

shell::TestWindow *WindowSet::test()
{
    makeSideWindows();
    return m_form6.get();
}

shell::Review *WindowSet::review()
{
    complete();
    if (!m_form12) {
        create(m_form12, Form12);
        // A window of the reader's: it stays above it while the reader shows the passages.
        m_form12->setParent(m_form2.get(), m_form12->windowFlags() | Qt::Dialog);
    }
    return m_form12.get();
}

QWidget *WindowSet::customer()
{
    makeSideWindows();
    return m_form7.get();
}

shell::Manual *WindowSet::manual()
{
    makeSideWindows();
    return m_form11.get();
}

shell::Presentations *WindowSet::presentations()
{
    return m_form10.get();
}

QWidget *WindowSet::customerIfMade()
{
    return m_form7.get();
}

shell::TeacherDesk *WindowSet::teacherDesk()
{
    if (!m_form13)
        create(m_form13, Form13);
    return m_form13.get();
}

void WindowSet::failSideWindowsAfter(int made)
{
    sideWindowsBeforeFault = made;
}

void WindowSet::releaseSideWindows()
{
    // Reverse order of creation; each global is cleared before its window goes, so no handler
    // running during destruction reaches a dead window. The review goes first: it is a window of the
    // reader's.
    Form12 = nullptr;
    m_form12.reset();
    Form11 = nullptr;
    m_form11.reset();
    Form7 = nullptr;
    m_form7.reset();
    Form9 = nullptr;
    m_form9.reset();
    Form6 = nullptr;
    m_form6.reset();
    Form5 = nullptr;
    m_form5.reset();
    Form3 = nullptr;
    m_form3.reset();
}

void WindowSet::release()
{
    if (shell::windows() == this)
        shell::setWindows(nullptr);
    Form13 = nullptr;
    m_form13.reset();
    releaseSideWindows();
    Form10 = nullptr;
    m_form10.reset();
    Form2 = nullptr;
    m_form2.reset();
    Form1 = nullptr;
    m_form1.reset();
    Form4 = nullptr;
    m_form4.reset();
    Data = nullptr;
    m_data.reset();
}
