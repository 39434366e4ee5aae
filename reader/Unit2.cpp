// Unit2: the reader window (TForm2, "Элекронный учебник").

// The form before the header that declares the global Form2: its set-up takes the window under
// that name.
#include "reader/ui_Unit2.h"

#include "reader/Unit2.h"

#include "data/AttemptJournal.h"
#include "data/Connection.h"
#include "data/DbError.h"
#include "data/TableCursor.h"
#include "data/TextWidth.h"
#include "data/Unit8.h"
#include "platform/Clock.h"
#include "platform/Colours.h"
#include "platform/CourseFiles.h"
#include "platform/FormFonts.h"
#include "platform/HandlerGuard.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramPaths.h"
#include "platform/WebView.h"
#include "platform/Widgets.h"
#include "reader/MenuBarStyle.h"
#include "reader/ReadingTools.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

#include <utility>

TForm2 *Form2 = nullptr;

QString chapterPage(int chapter)
{
    // Chapter 1 alone is an .html page.
    if (chapter == 1)
        return QStringLiteral("Glaves\\Glava1.html");
    return QStringLiteral("Glaves\\Glava%1.htm").arg(chapter);
}

QString introductionPage()
{
    return QStringLiteral("Glaves\\Введение.htm");
}

QString longTimeText(const QLocale &locale, QTime time)
{
    // The locale's long time format names the time zone too, which does not fit the 70-pixel
    // panel: keep hours, minutes and seconds as the format places them, and drop the zone.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString kept;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (c == u't' && !quoted)
            continue;
        kept += c;
    }
    return locale.toString(time, kept.trimmed());
}

QLocale statusLocale(const QLocale &system)
{
    // The C locale is no choice of the user's, only the absence of one; its month names are
    // English, in a window that is Russian throughout.
    return system.language() == QLocale::C ? QLocale(QLocale::Russian, QLocale::Russia) : system;
}

QString launchMessage(int chapter, int questions, int minutes)
{
    const QString minutesWord = chapter == 1 ? QStringLiteral("мин ") : QStringLiteral(" мин");
    return QStringLiteral("Данный тест состоит из ") + QString::number(questions) + QStringLiteral(" вопросов") +
           QStringLiteral("\r") + QStringLiteral("На его выполнение отводится ") + QString::number(minutes) +
           minutesWord + QStringLiteral(" :00 сек");
}

void PrepareResult()
{
    Data->prepareResult();
}

TForm2::TForm2(QWidget *parent) : QMainWindow(parent), m_ui(std::make_unique<Ui::TForm2>())
{
    m_ui->setupUi(this);
    platform::applyPixelFonts(this);
    Panel1 = m_ui->Panel1;
    Image1 = m_ui->Image1;
    Bevel1 = m_ui->Bevel1;
    Label1 = m_ui->Label1;
    Label2 = m_ui->Label2;
    Label3 = m_ui->Label3;
    Label4 = m_ui->Label4;
    Label5 = m_ui->Label5;
    Label6 = m_ui->Label6;
    Label7 = m_ui->Label7;
    Label8 = m_ui->Label8;
    Label9 = m_ui->Label9;
    Label10 = m_ui->Label10;
    Label11 = m_ui->Label11;
    GroupBox1 = m_ui->GroupBox1;
    Image2 = m_ui->Image2;
    BitBtn1 = m_ui->BitBtn1;
    BitBtn2 = m_ui->BitBtn2;
    BitBtn3 = m_ui->BitBtn3;
    WebBrowser1 = m_ui->WebBrowser1;
    StatusBar1 = m_ui->StatusBar1;
    N1 = m_ui->N1Menu->menuAction();
    N1->setObjectName(QStringLiteral("N1"));
    N11 = m_ui->N11;
    N21 = m_ui->N21;
    N31 = m_ui->N31;
    N41 = m_ui->N41;
    N51 = m_ui->N51;
    N61 = m_ui->N61;
    N2 = m_ui->N2;
    N7 = m_ui->N7Menu->menuAction();
    N7->setObjectName(QStringLiteral("N7"));
    N71 = m_ui->N71;
    N72 = m_ui->N72;
    N73 = m_ui->N73;
    N74 = m_ui->N74;
    N75 = m_ui->N75;
    N76 = m_ui->N76;
    N4 = m_ui->N4Menu->menuAction();
    N4->setObjectName(QStringLiteral("N4"));
    N5 = m_ui->N5;
    N3 = m_ui->N3;
    N6 = m_ui->N6;
    SearchMenu = m_ui->SearchMenu;
    ViewMenu = m_ui->ViewMenu;
    SearchCourse = m_ui->SearchCourse;
    FindInPage = m_ui->FindInPage;
    FindNext = m_ui->FindNext;
    FindPrevious = m_ui->FindPrevious;
    ZoomIn = m_ui->ZoomIn;
    ZoomOut = m_ui->ZoomOut;
    ZoomReset = m_ui->ZoomReset;
    DarkPage = m_ui->DarkPage;
    // Ctrl+= too: on most keyboards "+" is that key with Shift.
    ZoomIn->setShortcuts({ZoomIn->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Equal)});

    // Read as PNG and nothing else: a form's icons are read with format detection, which loads
    // every image plugin on the machine.
    const std::pair<QAction *, QString> icons[] = {{N1, QStringLiteral("menu-theory")},
                                                   {N2, QStringLiteral("menu-stats")},
                                                   {SearchMenu->menuAction(), QStringLiteral("menu-search")},
                                                   {ViewMenu->menuAction(), QStringLiteral("menu-view")},
                                                   {N7, QStringLiteral("menu-review")},
                                                   {N4, QStringLiteral("menu-help")},
                                                   {N6, QStringLiteral("menu-exit")}};
    for (const auto &[action, name] : icons)
        action->setIcon(platform::pictureIcon(QStringLiteral(":/pictures/") + name + QStringLiteral(".png")));
    auto *style = new MenuBarStyle();
    style->setParent(menuBar());
    menuBar()->setStyle(style);
    // The style's own play glyph; a form names pictures by file only.
    BitBtn2->setIcon(QApplication::style()->standardIcon(QStyle::SP_MediaPlay));
    for (QLabel *panel : {m_ui->StatusPanel0, m_ui->StatusPanel1, m_ui->StatusPanel2})
        StatusBar1->addWidget(panel);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    connectHandlers();
    shell::addTeacherKey(this);
    Timer1->start();
    // Search, find in page, the page's size and the dark page: menus and panes of their own.
    new reader::ReadingTools(this);

    // The form fixes the client area and the status bar below the menu bar, whose height comes
    // from the style and font: the window's fixed size is known only here.
    setFixedSize(m_ui->ClientArea->minimumWidth(),
                 m_ui->ClientArea->minimumHeight() + StatusBar1->minimumHeight() + menuBar()->sizeHint().height());
}

TForm2::~TForm2() = default;

void TForm2::connectHandlers()
{
    using platform::ClickableLabel;
    using platform::connectHandler;
    connectHandler(Timer1, &QTimer::timeout, this, &TForm2::Timer1Timer);

    connectHandler(Label1, &ClickableLabel::clicked, this, &TForm2::Label1Click);
    connectHandler(Label2, &ClickableLabel::clicked, this, &TForm2::Label2Click);
    connectHandler(Label4, &ClickableLabel::clicked, this, &TForm2::Label4Click);
    connectHandler(Label5, &ClickableLabel::clicked, this, &TForm2::Label5Click);
    connectHandler(Label6, &ClickableLabel::clicked, this, &TForm2::Label6Click);
    connectHandler(Label7, &ClickableLabel::clicked, this, &TForm2::Label7Click);
    connectHandler(Label8, &ClickableLabel::clicked, this, &TForm2::Label8Click);
    connectHandler(Label3, &ClickableLabel::clicked, this, &TForm2::Label3Click);
    connectHandler(Label10, &ClickableLabel::clicked, this, &TForm2::Label10Click);
    connectHandler(Label9, &ClickableLabel::clicked, this, &TForm2::Label9Click);
    connectHandler(Label11, &ClickableLabel::clicked, this, &TForm2::Label9Click);

    connectHandler(N11, &QAction::triggered, this, &TForm2::N11Click);
    connectHandler(N21, &QAction::triggered, this, &TForm2::N21Click);
    connectHandler(N31, &QAction::triggered, this, &TForm2::N31Click);
    connectHandler(N41, &QAction::triggered, this, &TForm2::N41Click);
    connectHandler(N51, &QAction::triggered, this, &TForm2::N51Click);
    connectHandler(N61, &QAction::triggered, this, &TForm2::N61Click);
    connectHandler(N2, &QAction::triggered, this, &TForm2::N2Click);
    connectHandler(N5, &QAction::triggered, this, &TForm2::N5Click);
    connectHandler(N3, &QAction::triggered, this, &TForm2::N3Click);
    connectHandler(N6, &QAction::triggered, this, &TForm2::N6Click);
    connectHandler(N71, &QAction::triggered, this, &TForm2::N71Click);
    connectHandler(N72, &QAction::triggered, this, &TForm2::N72Click);
    connectHandler(N73, &QAction::triggered, this, &TForm2::N73Click);
    connectHandler(N74, &QAction::triggered, this, &TForm2::N74Click);
    connectHandler(N75, &QAction::triggered, this, &TForm2::N75Click);
    connectHandler(N76, &QAction::triggered, this, &TForm2::N76Click);

    connectHandler(BitBtn1, &QPushButton::clicked, this, &TForm2::BitBtn1Click);
    connectHandler(BitBtn2, &QPushButton::clicked, this, &TForm2::BitBtn2Click);
    connectHandler(BitBtn3, &QPushButton::clicked, this, &TForm2::BitBtn3Click);
}

platform::ClickableLabel *TForm2::chapterLabel(int chapter) const
{
    switch (chapter) {
    case 1:
        return Label1;
    case 2:
        return Label2;
    case 3:
        return Label4;
    case 4:
        return Label5;
    case 5:
        return Label6;
    case 6:
        return Label7;
    default:
        return nullptr;
    }
}

QLabel *TForm2::statusPanel(int index) const
{
    switch (index) {
    case 0:
        return m_ui->StatusPanel0;
    case 1:
        return m_ui->StatusPanel1;
    case 2:
        return m_ui->StatusPanel2;
    default:
        return nullptr;
    }
}

QList<platform::ClickableLabel *> TForm2::pageLabels() const
{
    return {Label8, Label3, Label10, Label9, Label11};
}

// --- Navigation -------------------------------------------------------------------------------

void TForm2::openChapter(int chapter, bool fromMenu, const QString &anchor)
{
    platform::ClickableLabel *shown = chapterLabel(chapter);
    for (platform::ClickableLabel *label : pageLabels())
        label->setFontColor(colour::blue);
    for (int n = 1; n <= 6; ++n) {
        platform::ClickableLabel *label = chapterLabel(n);
        if (!fromMenu && label != shown)
            label->setFontColor(colour::red);
        if (fromMenu)
            label->setEnabled(label == shown);
    }
    shown->setFontColor(colour::white);
    BitBtn2->setEnabled(true);

    for (int n = 1; n <= 6; ++n) {
        if (n == chapter)
            Data->testTab(n)->open();
        else
            Data->testTab(n)->close();
    }

    // The student's row may have gone; the page is still shown, but nothing is stored.
    const bool student = Data->findStudent();
    Data->GlavesTab->open();
    Data->GlavesTab->refresh();
    Data->ResultTab->open();
    if (Data->GlavesTab->locate(QStringLiteral("Caption"), shown->text()) && student)
        PrepareResult();

    showAndStorePage(chapterPage(chapter), student, anchor);
}

void TForm2::openPage(std::initializer_list<platform::ClickableLabel *> shown, const QString &page,
                      const QString &anchor)
{
    for (platform::ClickableLabel *label : pageLabels())
        label->setFontColor(colour::blue);
    for (int n = 1; n <= 6; ++n)
        chapterLabel(n)->setFontColor(colour::red);
    for (platform::ClickableLabel *label : shown)
        label->setFontColor(colour::white);
    BitBtn2->setEnabled(false);

    const bool student = Data->findStudent();
    showAndStorePage(page, student, anchor);
}

void TForm2::showAndStorePage(const QString &page, bool student, const QString &anchor)
{
    if (anchor.isEmpty())
        WebBrowser1->Navigate(platform::expandFileName(page));
    else
        WebBrowser1->showPlace(platform::expandFileName(page), anchor);
    // Never on another student's row.
    if (!student)
        throw DbError::studentMissing();

    Data->storePage(pathToStore(page), page);
}

QString TForm2::pathToStore(const QString &page) const
{
    const int width = Data->UserTab->fieldByName(QStringLiteral("путь")).size();
    const QString whole = WebBrowser1->Path() + page;
    return width > 0 && textWidth(whole) > width ? page : whole;
}

void TForm2::showPlace(const QString &page, const QString &anchor)
{
    const QString path = QStringLiteral("Glaves\\") + page;
    for (int chapter = 1; chapter <= 6; ++chapter) {
        if (chapterPage(chapter).compare(path, Qt::CaseInsensitive) == 0) {
            openChapter(chapter, false, anchor);
            shell::bringToFront(this);
            return;
        }
    }
    openPage({}, path, anchor);
    shell::bringToFront(this);
}

void TForm2::reviewChapter(int chapter)
{
    const std::optional<Attempt> attempt = Data->journal().lastGraded(Data->studentId(), chapter);
    if (!attempt) {
        platform::informationBox(
            QStringLiteral("Тест к главе %1 вы ещё не завершали: разбирать пока нечего.").arg(chapter));
        return;
    }
    shell::windows()->review()->showAttempt(attempt->id);
}

void TForm2::preloadStoredPage(const QString &stored)
{
    if (!stored.isEmpty())
        WebBrowser1->preload(platform::expandFileName(stored));
}

void TForm2::openStoredPage(const QString &stored)
{
    const QString path = platform::expandFileName(stored);
    // A row anyone may write must not make the reader show or run some other file.
    if (stored.isEmpty() || platform::isCoursePage(platform::localPath(path))) {
        WebBrowser1->Navigate(path);
        return;
    }
    WebBrowser1->Navigate(platform::expandFileName(introductionPage()));
    WebBrowser1->showNotice(
        QStringLiteral("Запомненная страница не является страницей учебника из папки Glaves; открыто введение."));
}

void TForm2::Label1Click()
{
    openChapter(1, false);
}

void TForm2::Label2Click()
{
    openChapter(2, false);
}

void TForm2::Label4Click()
{
    openChapter(3, false);
}

void TForm2::Label5Click()
{
    openChapter(4, false);
}

void TForm2::Label6Click()
{
    openChapter(5, false);
}

void TForm2::Label7Click()
{
    openChapter(6, false);
}

void TForm2::N11Click()
{
    openChapter(1, true);
}

void TForm2::N21Click()
{
    openChapter(2, true);
}

void TForm2::N31Click()
{
    openChapter(3, true);
}

void TForm2::N41Click()
{
    openChapter(4, true);
}

void TForm2::N51Click()
{
    openChapter(5, true);
}

void TForm2::N61Click()
{
    openChapter(6, true);
}

void TForm2::Label8Click()
{
    openPage({Label8}, introductionPage());
}

void TForm2::Label3Click()
{
    openPage({Label3}, QStringLiteral("Glaves\\Содержание.htm"));
}

void TForm2::Label10Click()
{
    openPage({Label10}, QStringLiteral("Glaves\\Литература.htm"));
}

void TForm2::Label9Click()
{
    openPage({Label9, Label11}, QStringLiteral("Glaves\\Словарь основных терминов и понятий.htm"));
}

// --- Clock ------------------------------------------------------------------------------------

void TForm2::Timer1Timer()
{
    const QDateTime now = platform::clock().now();
    const QLocale locale = statusLocale(QLocale::system());
    m_ui->StatusPanel0->setText(longTimeText(locale, now.time()));
    m_ui->StatusPanel1->setText(locale.toString(now.date(), QLocale::ShortFormat));
}

// --- Test launch and exit ---------------------------------------------------------------------

void TForm2::setTestEnabled(bool enabled)
{
    BitBtn2->setEnabled(enabled);
}

void TForm2::BitBtn2Click()
{
    for (int chapter = 1; chapter <= 6; ++chapter) {
        TableCursor *tab = Data->testTab(chapter);
        if (!tab->isOpen())
            continue;
        // Refuse before anything is shown: a test without questions or a usable time limit
        // would end at once or never.
        shell::TestWindow *test = shell::windows()->test();
        const QString problem = test->launchProblem(tab);
        if (!problem.isEmpty()) {
            platform::informationBox(problem);
            return;
        }
        shell::bringToFront(test->asWidget());
        test->asWidget()->setWindowTitle(QStringLiteral("Тест- ") + chapterLabel(chapter)->text());
        test->setQuestionCount(tab->recordCount());
        platform::plainBox(launchMessage(chapter, test->questionCount(), test->minutesLeft()));
        test->startCountdown();
    }
}

void TForm2::BitBtn1Click()
{
    {
        const QScopedValueRollback<bool> exiting(m_exiting, true);
        close();
    }
    shell::windows()->signIn()->close();
    if (QWidget *customer = shell::windows()->customerIfMade())
        customer->close();
}

void TForm2::N6Click()
{
    {
        const QScopedValueRollback<bool> exiting(m_exiting, true);
        close();
    }
    shell::windows()->signIn()->close();
}

void TForm2::FormClose()
{
    Data->UserTab->close();
    Data->GlavesTab->close();
    Data->ResultTab->close();
    for (int chapter = 1; chapter <= 6; ++chapter)
        Data->testTab(chapter)->close();
    Data->close();
}

void TForm2::closeEvent(QCloseEvent *event)
{
    platform::guarded([this] { FormClose(); });
    event->accept();
    // The close box ends the program as the exit commands do, instead of leaving it running
    // with no window on screen. The exit commands close Form1 themselves.
    if (!m_exiting && shell::windows())
        shell::windows()->signIn()->close();
}

void TForm2::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (event->spontaneous() || m_centred)
        return;
    m_centred = true;
    platform::centreOnScreen(this);
}

// --- Side windows -----------------------------------------------------------------------------

void TForm2::N71Click()
{
    reviewChapter(1);
}

void TForm2::N72Click()
{
    reviewChapter(2);
}

void TForm2::N73Click()
{
    reviewChapter(3);
}

void TForm2::N74Click()
{
    reviewChapter(4);
}

void TForm2::N75Click()
{
    reviewChapter(5);
}

void TForm2::N76Click()
{
    reviewChapter(6);
}

void TForm2::N2Click()
{
    shell::Statistics *statistics = shell::windows()->statistics();
    Data->findStudent();
    Data->GlavesTab->open();
    Data->ResultTab->open();
    Data->UserTab->refresh();
    Data->GlavesTab->refresh();
    Data->ResultTab->refresh();
    statistics->prepare();
    shell::bringToFront(statistics->asWidget());
}

void TForm2::N5Click()
{
    shell::bringToFront(shell::windows()->customer());
}

void TForm2::N3Click()
{
    shell::Manual *manual = shell::windows()->manual();
    const QString page = platform::programFolder() + QStringLiteral("Glaves\\Руководство.htm");
    shell::bringToFront(manual->asWidget());
    manual->browser()->Navigate(page);
}

void TForm2::BitBtn3Click()
{
    shell::windows()->presentations()->fillAndShow();
}
