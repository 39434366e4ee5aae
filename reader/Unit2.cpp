// Unit2: the reader window (TForm2, "Элекронный учебник").

#include "reader/Unit2.h"

#include "data/Connection.h"
#include "data/DbError.h"
#include "data/TableCursor.h"
#include "data/TextWidth.h"
#include "data/Unit8.h"
#include "platform/Clock.h"
#include "platform/Colours.h"
#include "platform/CourseFiles.h"
#include "platform/HandlerGuard.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramPaths.h"
#include "platform/WebView.h"
#include "platform/Widgets.h"
#include "reader/MenuBarStyle.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

TForm2 *Form2 = nullptr;

namespace {

constexpr int clientWidth = 869;
constexpr int clientHeight = 540;
constexpr int panelWidth = 177;
constexpr int statusHeight = 19;
constexpr int groupHeight = 97;

platform::ClickableLabel *navigationLabel(QWidget *parent, const char *name, const QString &caption, int x, int y,
                                          bool chapter)
{
    auto *label = new platform::ClickableLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont font(QStringLiteral("Trebuchet MS"));
    // Where Trebuchet MS is missing, a face of about its width keeps "Словарь основных" inside
    // the panel; the usual substitute, DejaVu Sans, is a tenth wider.
    font.setFamilies({QStringLiteral("Trebuchet MS"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setPixelSize(chapter ? 24 : 16);
    font.setBold(true);
    font.setUnderline(true);
    label->setFont(font);
    label->setFontColor(chapter ? colour::red : colour::blue);
    label->setCursor(Qt::PointingHandCursor);
    label->adjustSize();
    label->move(x, y);
    return label;
}

platform::BitBtn *commandButton(QWidget *parent, const char *name, const QString &caption, platform::BitBtn::Kind kind,
                                const QRect &geometry)
{
    auto *button = new platform::BitBtn(caption, kind, parent);
    button->setObjectName(QString::fromLatin1(name));
    QFont font = button->font();
    font.setBold(true);
    button->setFont(font);
    QPalette palette = button->palette();
    palette.setColor(QPalette::Active, QPalette::ButtonText, colour::blue);
    palette.setColor(QPalette::Inactive, QPalette::ButtonText, colour::blue);
    button->setPalette(palette);
    button->setGeometry(geometry);
    return button;
}

QLabel *picture(QWidget *parent, const char *name, const QString &resource, const QRect &geometry)
{
    auto *image = new QLabel(parent);
    image->setObjectName(QString::fromLatin1(name));
    image->setScaledContents(true);
    image->setPixmap(QPixmap(resource)); // a missing picture leaves the label empty
    image->setGeometry(geometry);
    return image;
}

} // namespace

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

TForm2::TForm2(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Элекронный учебник"));

    createMenu();
    createPanel();
    createStatusBar();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    connectHandlers();
    Timer1->start();

    // Client area 869 x 540 below the menu bar: the menu bar's height is added to the fixed
    // window size; the status bar (19) and the central area (521) share the 540.
    setFixedSize(clientWidth, clientHeight + menuBar()->sizeHint().height());
}

TForm2::~TForm2() = default;

void TForm2::createMenu()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    // A global menu would take the bar out of the window and change the client area.
    bar->setNativeMenuBar(false);
    auto *style = new MenuBarStyle();
    style->setParent(bar);
    bar->setStyle(style);

    QMenu *theory =
        bar->addMenu(platform::pictureIcon(QStringLiteral(":/pictures/menu-theory.png")), QStringLiteral("&Теория"));
    theory->setObjectName(QStringLiteral("N1Menu"));
    N1 = theory->menuAction();
    N1->setObjectName(QStringLiteral("N1"));
    QAction **chapters[] = {&N11, &N21, &N31, &N41, &N51, &N61};
    for (int i = 0; i < 6; ++i) {
        QAction *item = theory->addAction(QStringLiteral("Глава%1").arg(i + 1));
        item->setObjectName(QStringLiteral("N%1").arg(i + 1) + u'1');
        *chapters[i] = item;
    }

    N2 = new QAction(platform::pictureIcon(QStringLiteral(":/pictures/menu-stats.png")), QStringLiteral("&Статистика"),
                     this);
    N2->setObjectName(QStringLiteral("N2"));
    bar->addAction(N2);

    QMenu *help =
        bar->addMenu(platform::pictureIcon(QStringLiteral(":/pictures/menu-help.png")), QStringLiteral("&Справка"));
    help->setObjectName(QStringLiteral("N4Menu"));
    N4 = help->menuAction();
    N4->setObjectName(QStringLiteral("N4"));
    N5 = help->addAction(QStringLiteral("Автор"));
    N5->setObjectName(QStringLiteral("N5"));
    N3 = help->addAction(QStringLiteral("Руководство пользователя"));
    N3->setObjectName(QStringLiteral("N3"));

    N6 = new QAction(platform::pictureIcon(QStringLiteral(":/pictures/menu-exit.png")), QStringLiteral("Выход"), this);
    N6->setObjectName(QStringLiteral("N6"));
    bar->addAction(N6);
}

void TForm2::createPanel()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("ClientArea"));
    central->setFixedSize(clientWidth, clientHeight - statusHeight);
    setCentralWidget(central);

    const int height = clientHeight - statusHeight;
    Panel1 = new QWidget(central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, 0, panelWidth, height);
    Panel1->setAutoFillBackground(true);

    Image1 = picture(Panel1, "Image1", QStringLiteral(":/pictures/reader-panel.jpg"), QRect(0, 0, 176, 422));

    Bevel1 = new platform::Bevel(Panel1);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setGeometry(8, 24, 161, 345);

    Label8 = navigationLabel(Panel1, "Label8", QStringLiteral("Введение"), 48, 32, false);
    Label3 = navigationLabel(Panel1, "Label3", QStringLiteral("Оглавление"), 40, 56, false);
    Label1 = navigationLabel(Panel1, "Label1", QStringLiteral("Глава1"), 48, 88, true);
    Label2 = navigationLabel(Panel1, "Label2", QStringLiteral("Глава2"), 48, 120, true);
    Label4 = navigationLabel(Panel1, "Label4", QStringLiteral("Глава3"), 48, 152, true);
    Label5 = navigationLabel(Panel1, "Label5", QStringLiteral("Глава4"), 48, 184, true);
    Label6 = navigationLabel(Panel1, "Label6", QStringLiteral("Глава5"), 48, 216, true);
    Label7 = navigationLabel(Panel1, "Label7", QStringLiteral("Глава6"), 48, 248, true);
    Label10 = navigationLabel(Panel1, "Label10", QStringLiteral("Литература"), 40, 290, false);
    Label9 = navigationLabel(Panel1, "Label9", QStringLiteral("Словарь основных"), 16, 312, false);
    Label9->setWordWrap(true); // sized to its one-line caption above, so it stays on one line
    Label11 = navigationLabel(Panel1, "Label11", QStringLiteral("терминов"), 40, 336, false);

    GroupBox1 = new QGroupBox(Panel1);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(0, height - groupHeight, panelWidth, groupHeight);
    Image2 = picture(GroupBox1, "Image2", QStringLiteral(":/pictures/reader-buttons.jpg"),
                     QRect(0, 0, panelWidth, groupHeight));

    using Kind = platform::BitBtn::Kind;
    BitBtn3 = commandButton(GroupBox1, "BitBtn3", QStringLiteral("&Презентации"), Kind::Custom, QRect(32, 5, 113, 28));
    BitBtn2 = commandButton(GroupBox1, "BitBtn2", QStringLiteral("&Начать тест"), Kind::Custom, QRect(32, 37, 113, 28));
    BitBtn2->setIcon(QApplication::style()->standardIcon(QStyle::SP_MediaPlay));
    BitBtn2->setToolTip(QStringLiteral("Начать тест выбранной главы"));
    BitBtn2->setEnabled(false);
    BitBtn1 = commandButton(GroupBox1, "BitBtn1", QStringLiteral("&Выход  "), Kind::Close, QRect(32, 72, 113, 27));

    WebBrowser1 = new platform::WebView(central);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(panelWidth, 0, clientWidth - panelWidth, height);
}

void TForm2::createStatusBar()
{
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setFixedHeight(statusHeight);
    // The classic light grey of inactive caption text.
    QPalette palette = StatusBar1->palette();
    palette.setColor(QPalette::Window, QColor(212, 208, 200));
    StatusBar1->setPalette(palette);
    StatusBar1->setAutoFillBackground(true);
    StatusBar1->setContentsMargins(0, 0, 0, 0);
    const int widths[3] = {70, 80, 50};
    for (int i = 0; i < 3; ++i) {
        auto *panel = new QLabel(StatusBar1);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setFixedWidth(widths[i]);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        StatusBar1->addWidget(panel);
        m_panels[i] = panel;
    }
    setStatusBar(StatusBar1);
}

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
    return index >= 0 && index < 3 ? m_panels[index] : nullptr;
}

QList<platform::ClickableLabel *> TForm2::pageLabels() const
{
    return {Label8, Label3, Label10, Label9, Label11};
}

// --- Navigation -------------------------------------------------------------------------------

void TForm2::openChapter(int chapter, bool fromMenu)
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

    showAndStorePage(chapterPage(chapter), student);
}

void TForm2::openPage(std::initializer_list<platform::ClickableLabel *> shown, const QString &page)
{
    for (platform::ClickableLabel *label : pageLabels())
        label->setFontColor(colour::blue);
    for (int n = 1; n <= 6; ++n)
        chapterLabel(n)->setFontColor(colour::red);
    for (platform::ClickableLabel *label : shown)
        label->setFontColor(colour::white);
    BitBtn2->setEnabled(false);

    const bool student = Data->findStudent();
    showAndStorePage(page, student);
}

void TForm2::showAndStorePage(const QString &page, bool student)
{
    WebBrowser1->Navigate(platform::expandFileName(page));
    // Never on another student's row.
    if (!student)
        throw DbError::studentMissing();

    Data->storePage(pathToStore(page));
}

QString TForm2::pathToStore(const QString &page) const
{
    const int width = Data->UserTab->fieldByName(QStringLiteral("путь")).size();
    const QString whole = WebBrowser1->Path() + page;
    return width > 0 && textWidth(whole) > width ? page : whole;
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
    const QLocale locale = QLocale::system();
    m_panels[0]->setText(longTimeText(locale, now.time()));
    m_panels[1]->setText(locale.toString(now.date(), QLocale::ShortFormat));
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
