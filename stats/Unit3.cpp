// Unit3: the statistics window (TForm3, "Статистика").

// The form before the header that declares the global Form3: its set-up takes the window under
// that name.
#include "stats/ui_Unit3.h"

#include "stats/Unit3.h"

#include "data/TableCursor.h"
#include "data/Unit8.h"
#include "platform/CursorTableModel.h"
#include "platform/DBNavigator.h"
#include "platform/HandlerGuard.h"
#include "platform/Widgets.h"

#include <QLabel>
#include <QPixmap>
#include <QResizeEvent>
#include <QTableView>

TForm3 *Form3 = nullptr;

TForm3::TForm3(QWidget *parent) : QWidget(parent), m_ui(std::make_unique<Ui::TForm3>())
{
    m_ui->setupUi(this);
    Image1 = m_ui->Image1;
    Bevel2 = m_ui->Bevel2;
    DBGrid1 = m_ui->DBGrid1;
    StaticText1 = m_ui->StaticText1;
    DBGrid2 = m_ui->DBGrid2;
    Panel1 = m_ui->Panel1;
    DBNavigator1 = m_ui->DBNavigator1;
    BitBtn1 = m_ui->BitBtn1;
    BitBtn2 = m_ui->BitBtn2;

    platform::connectHandler(BitBtn1, &QPushButton::clicked, this, &TForm3::BitBtn1Click);
    platform::connectHandler(BitBtn2, &QPushButton::clicked, this, &TForm3::BitBtn2Click);

    setListsVisible(false);
    FormCreate();
}

TForm3::~TForm3() = default;

void TForm3::FormCreate()
{
    move(180, 80);
}

void TForm3::createCursors()
{
    if (m_users)
        return;
    // The same tables and columns as the data module's UserTab and ResultTab, but cursors of
    // this window alone: the data module's users cursor is the signed-in student.
    m_users = new TableCursor(Data->Connect, QStringLiteral("Users"), this);
    setUpUsersCursor(m_users);
    m_results = new TableCursor(Data->Connect, QStringLiteral("Result"), this);
    setUpResultCursor(m_results, m_users);

    m_usersModel =
        new platform::CursorTableModel(m_users,
                                       {{QStringLiteral("фамилия"), QStringLiteral("Фамилия"), 294},
                                        {QStringLiteral("специальность"), QStringLiteral("специальность"), 86},
                                        {QStringLiteral("курс"), QStringLiteral("курс"), 0}},
                                       this);
    platform::bindTableView(DBGrid1, m_usersModel);
    m_resultsModel = new platform::CursorTableModel(m_results,
                                                    {{QStringLiteral("GlavaCaption"), QStringLiteral("Глава"), 366},
                                                     {QStringLiteral("Ocenka"), QStringLiteral("Оценка"), 73}},
                                                    this);
    platform::bindTableView(DBGrid2, m_resultsModel);
    DBNavigator1->setDataSet(m_users);
}

void TForm3::prepare()
{
    // Decoded only when the window is first opened: it would otherwise hold about 1 MB for a
    // window many sessions never show.
    if (Image1->pixmap().isNull())
        Image1->setPixmap(platform::picture(QStringLiteral(":/pictures/stats.jpg")));
    setListsVisible(false);
    createCursors();
    m_users->open();
    m_results->open();
    // Re-read, so the lists show the students and grades stored so far.
    m_users->refresh();
    m_results->refresh();
    // Open on the signed-in student's own results.
    TableCursor *signedIn = Data->UserTab;
    if (signedIn->isOpen() && !signedIn->isEmpty())
        m_users->locate(QStringLiteral("ID"), signedIn->fieldByName(QStringLiteral("ID")).asInteger());
    DBGrid2->viewport()->update();
}

void TForm3::setListsVisible(bool visible)
{
    DBGrid1->setVisible(visible);
    DBGrid2->setVisible(visible);
    StaticText1->setVisible(visible);
    DBNavigator1->setVisible(visible);
}

void TForm3::BitBtn1Click()
{
    // DBGrid1 alone decides, so the four always change together.
    setListsVisible(DBGrid1->isHidden());
}

void TForm3::BitBtn2Click()
{
    close();
}

void TForm3::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The students list stays at the top and the button panel at the bottom, across the width.
    DBGrid1->resize(width(), DBGrid1->height());
    Panel1->setGeometry(0, height() - Panel1->height(), width(), Panel1->height());
}
