#include "Unit3.h"

#include "CursorTableModel.h"
#include "DBNavigator.h"
#include "HandlerGuard.h"
#include "TableCursor.h"
#include "Unit8.h"
#include "Widgets.h"

#include <QApplication>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QResizeEvent>
#include <QTableView>

TForm3 *Form3 = nullptr;

namespace {

QTableView *makeGrid(QWidget *parent, const char *name)
{
    auto *grid = new QTableView(parent);
    grid->setObjectName(QString::fromLatin1(name));
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setAlternatingRowColors(false);
    // Compact rows as on a desktop grid; the vertical header is the row indicator.
    const int rowHeight = grid->fontMetrics().height() + 4;
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(rowHeight);
    grid->verticalHeader()->setMinimumSectionSize(rowHeight);
    grid->verticalHeader()->setFixedWidth(14);
    grid->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->verticalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setFixedHeight(rowHeight + 2);
    return grid;
}

} // namespace

TForm3::TForm3(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Статистика"));
    resize(561, 493);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white); // the colour of active caption text
    setPalette(p);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 553, 417);
    Image1->setScaledContents(true); // the picture is decoded on first opening, see prepare()

    Bevel2 = new platform::Bevel(this);
    Bevel2->setObjectName(QStringLiteral("Bevel2"));
    Bevel2->setGeometry(16, 16, 513, 337);

    DBGrid1 = makeGrid(this, "DBGrid1");
    DBGrid1->setGeometry(0, 0, width(), 153);

    StaticText1 = new QLabel(QStringLiteral("Пройденные главы"), this);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setGeometry(0, 152, 473, 17);
    StaticText1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StaticText1->setAutoFillBackground(true);
    {
        QPalette sp = StaticText1->palette();
        sp.setColor(QPalette::Window, QColor(166, 202, 240));
        sp.setColor(QPalette::WindowText, QColor(0, 0, 128));
        StaticText1->setPalette(sp);
        QFont f = StaticText1->font();
        f.setBold(true);
        StaticText1->setFont(f);
    }

    DBGrid2 = makeGrid(this, "DBGrid2");
    DBGrid2->setGeometry(0, 168, 553, 250);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setAutoFillBackground(true);
    {
        // A panel keeps the face colour of buttons, not the window's white.
        QPalette pp = Panel1->palette();
        pp.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
        Panel1->setPalette(pp);
    }

    DBNavigator1 = new platform::DBNavigator(Panel1);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setGeometry(21, 8, 220, 25);

    BitBtn1 = new platform::BitBtn(QStringLiteral(" &инфо!"), platform::BitBtn::Kind::Ok, Panel1);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(302, 8, 67, 25);

    BitBtn2 = new platform::BitBtn(QStringLiteral("&Выход"), platform::BitBtn::Kind::Close, Panel1);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(406, 8, 75, 25);

    platform::connectHandler(BitBtn1, &QPushButton::clicked, this, &TForm3::BitBtn1Click);
    platform::connectHandler(BitBtn2, &QPushButton::clicked, this, &TForm3::BitBtn2Click);

    setListsVisible(false);
    Panel1->setGeometry(0, height() - 41, width(), 41);
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
    m_users->setDeclaredFields({QStringLiteral("ID"), QStringLiteral("фамилия"), QStringLiteral("пароль"),
                                QStringLiteral("специальность"), QStringLiteral("курс"), QStringLiteral("путь")});

    m_results = new TableCursor(Data->Connect, QStringLiteral("Result"), this);
    m_results->setOrderBy(QStringLiteral("ID_User"));
    m_results->setDeclaredFields(
        {QStringLiteral("ID_User"), QStringLiteral("ID_glava"), QStringLiteral("Ocenka"), QStringLiteral("ID_Result")});
    LookupField caption;
    caption.name = QStringLiteral("GlavaCaption");
    caption.position = 3;
    caption.keyField = QStringLiteral("ID_glava");
    caption.lookupTable = QStringLiteral("Glaves");
    caption.lookupKey = QStringLiteral("ID_Glava");
    caption.lookupResult = QStringLiteral("Caption");
    caption.size = 100;
    m_results->addLookupField(caption);
    m_results->setMasterLink(m_users, QStringLiteral("ID"), QStringLiteral("ID_User"));

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
    DBGrid1->setGeometry(0, 0, width(), 153);
    Panel1->setGeometry(0, height() - 41, width(), 41);
}
