#pragma once

// How the windows reach each other. A window library knows only these interfaces; the program's
// window set implements Windows and makes the windows, so no window library links another.

#include <QString>

class QWidget;
class TableCursor;

namespace platform {
class ClickableLabel;
class WebView;
} // namespace platform

namespace shell {

// The reader, as the sign-in, test and manual windows see it.
class Reader
{
public:
    virtual ~Reader() = default;
    virtual QWidget *asWidget() = 0;
    // The page view (WebBrowser1).
    virtual platform::WebView *browser() = 0;
    // Chapter 1..6's label.
    virtual platform::ClickableLabel *chapterLabel(int chapter) const = 0;
    // "&Начать тест".
    virtual void setTestEnabled(bool enabled) = 0;
    // What "путь" keeps for a page: the view's folder followed by the page path, or the page
    // path alone when the whole does not fit the column (cut, it would name no page; the page
    // path alone is expanded against the current directory at sign-in). UserTab must be open.
    virtual QString pathToStore(const QString &page) const = 0;
    // Opens the page remembered for the student (column путь): a path that is not a course page
    // opens the introduction, with a notice. An empty path leaves the view empty.
    virtual void openStoredPage(const QString &stored) = 0;
    // Opens that page ahead in the hidden reader, so openStoredPage shows it at once (see
    // WebView::preload); a path that is not a course page is left to openStoredPage.
    virtual void preloadStoredPage(const QString &stored) = 0;
    // Opens chapter 1..6 as its label does.
    virtual void openChapter(int chapter) = 0;
    // Opens a course page (a path inside Glaves, as a question names it) at the anchor with the
    // passage marked; a chapter's page opens as its label opens it. An anchor the page does not
    // have opens it at its top.
    virtual void showPlace(const QString &page, const QString &anchor) = 0;
};

// The test window, as the reader launches a test in it.
class TestWindow
{
public:
    virtual ~TestWindow() = default;
    virtual QWidget *asWidget() = 0;
    // Why a test of this chapter cannot start, as a Russian message; empty when it can.
    virtual QString launchProblem(TableCursor *testTab) const = 0;
    virtual void setQuestionCount(int count) = 0;
    virtual int questionCount() const = 0;
    // The minutes the running test allows, read when the window was shown.
    virtual int minutesLeft() const = 0;
    virtual void startCountdown() = 0;
    // Offers to go on with a test of the signed-in student that was cut short (the program ended
    // while it ran), by its attempt in the journal.
    virtual void offerToContinue(qint64 attempt) = 0;
};

// The review of a finished test: every question with the answer given and the right one.
class Review
{
public:
    virtual ~Review() = default;
    virtual QWidget *asWidget() = 0;
    // Shows the graded attempt; one that cannot be read is told and nothing opens.
    virtual void showAttempt(qint64 attempt) = 0;
};

// The statistics window.
class Statistics
{
public:
    virtual ~Statistics() = default;
    virtual QWidget *asWidget() = 0;
    // Brings the lists up to date with the data module's cursors.
    virtual void prepare() = 0;
};

// The presentations window.
class Presentations
{
public:
    virtual ~Presentations() = default;
    virtual void fillAndShow() = 0;
};

// The user manual with a frame.
class Manual
{
public:
    virtual ~Manual() = default;
    virtual QWidget *asWidget() = 0;
    virtual platform::WebView *browser() = 0;
};

// The teacher's desk: the class's grades, the questions it gets wrong, the settings.
class TeacherDesk
{
public:
    virtual ~TeacherDesk() = default;
    // Asks for the teacher's password over the window and opens the desk once it is right.
    virtual void askPassword(QWidget *over) = 0;
};

// The program's windows. The side windows are made on first use.
class Windows
{
public:
    virtual ~Windows() = default;
    virtual QWidget *greeting() = 0;
    virtual QWidget *signIn() = 0;
    virtual Reader *reader() = 0;
    virtual Statistics *statistics() = 0;
    virtual TestWindow *test() = 0;
    virtual Review *review() = 0;
    virtual QWidget *customer() = 0;
    virtual Manual *manual() = 0;
    virtual Presentations *presentations() = 0;
    // The customer window if it has been made, else null: closing it must not make it.
    virtual QWidget *customerIfMade() = 0;
    // Made on first use.
    virtual TeacherDesk *teacherDesk() = 0;
};

// The window set of the running program; null while there is none.
Windows *windows();
void setWindows(Windows *set);

// The key that asks for the teacher's password in the sign-in window and the reader: no menu item,
// so students see nothing of the desk.
inline constexpr const char *teacherKey = "Ctrl+Shift+T";
void addTeacherKey(QWidget *window);

// Shows a window and brings it to the front with the focus.
void bringToFront(QWidget *window);

} // namespace shell
