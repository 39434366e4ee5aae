#include "WindowSet.h"

#include "Unit1.h"
#include "Unit10.h"
#include "Unit11.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"
#include "Unit5.h"
#include "Unit6.h"
#include "Unit7.h"
#include "Unit8.h"
#include "Unit9.h"

namespace {

template <typename T> T *create(std::unique_ptr<T> &owner, T *&global)
{
    owner = std::make_unique<T>();
    global = owner.get();
    return global;
}

} // namespace

WindowSet::WindowSet()
{
    try {
        // The fixed order of creation.
        create(m_form4, Form4);
        create(m_form1, Form1);
        create(m_form2, Form2);
        create(m_form3, Form3);
        create(m_form5, Form5);
        create(m_form6, Form6);
        create(m_data, Data);
        create(m_form9, Form9);
        create(m_form7, Form7);
        create(m_form10, Form10);
        create(m_form11, Form11);
        // The test window is created before the data module yet follows its cursors.
        Form6->bindDataSources();
    } catch (...) {
        release();
        throw;
    }
    m_complete = true;
}

WindowSet::WindowSet(GreetingFirst)
{
    create(m_form4, Form4);
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
        throw;
    }
    if (!m_form10)
        return false;
    // The rest on first use: most sessions never open some of them, and each costs memory.
    Form2->beforeSideWindow = [this] { createSideWindows(); };
    m_complete = true;
    return true;
}

void WindowSet::createSideWindows()
{
    if (m_form3)
        return;
    create(m_form3, Form3);
    create(m_form5, Form5);
    create(m_form6, Form6);
    create(m_form9, Form9);
    create(m_form7, Form7);
    create(m_form11, Form11);
    Form6->bindDataSources();
}

WindowSet::~WindowSet()
{
    release();
}

void WindowSet::release()
{
    // Reverse order of creation; each global is cleared before its window goes, so no
    // handler running during destruction reaches a dead window.
    Form11 = nullptr;
    m_form11.reset();
    Form10 = nullptr;
    m_form10.reset();
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
    Form2 = nullptr;
    m_form2.reset();
    Form1 = nullptr;
    m_form1.reset();
    Form4 = nullptr;
    m_form4.reset();
    Data = nullptr;
    m_data.reset();
}
