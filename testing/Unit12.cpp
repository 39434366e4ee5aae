// Unit12: the review of a finished test (TForm12, "Разбор ответов").

// The form before the header that declares the global Form12: its set-up takes the window under
// that name.
#include "testing/ui_Unit12.h"

#include "testing/Unit12.h"

#include "data/AttemptJournal.h"
#include "data/DbError.h"
#include "data/Unit8.h"
#include "platform/Colours.h"
#include "platform/HandlerGuard.h"
#include "platform/MessageBoxes.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>

TForm12 *Form12 = nullptr;

namespace {

// A wrong line stands out by its ground and its sign, so it is found without telling colours.
const QColor wrongGround(255, 222, 222);

QString verdict(const ReviewLine &line)
{
    if (line.isRight)
        return QStringLiteral("✔ верно");
    return line.chosen.isEmpty() ? QStringLiteral("✘ нет ответа") : QStringLiteral("✘ неверно");
}

bool hasLink(const ReviewLine &line)
{
    return !line.isRight && !line.page.isEmpty();
}

} // namespace

TForm12::TForm12(QWidget *parent) : QDialog(parent), m_ui(std::make_unique<Ui::TForm12>())
{
    m_ui->setupUi(this);
    Label1 = m_ui->Label1;
    Grid1 = m_ui->Grid1;
    Label2 = m_ui->Label2;
    Button1 = m_ui->Button1;
    Button2 = m_ui->Button2;

    QHeaderView *header = Grid1->horizontalHeader();
    for (int column : {NumberColumn, VerdictColumn, ChosenColumn, RightColumn})
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    connectHandlers();
}

TForm12::~TForm12() = default;

void TForm12::connectHandlers()
{
    using platform::connectHandler;
    connectHandler(Grid1, &QTableWidget::currentCellChanged, this, &TForm12::Grid1Change);
    connectHandler(Grid1, &QTableWidget::activated, this, &TForm12::Grid1Activate);
    connectHandler(Button1, &QPushButton::clicked, this, &TForm12::Button1Click);
    connectHandler(Button2, &QPushButton::clicked, this, &TForm12::Button2Click);
}

void TForm12::showAttempt(qint64 attempt)
{
    std::optional<Attempt> a;
    QList<ReviewLine> lines;
    try {
        a = Data->journal().attempt(attempt);
        lines = attemptReview(Data->journal(), *Data->Connect, attempt);
    } catch (const DbError &e) {
        platform::errorBox(QStringLiteral("Разбор ответов не открыт. ") + e.message());
        return;
    }
    m_lines = lines;
    // Goes with its window: a test hides the reader, and no passage may open under a test.
    if (parentWidget())
        parentWidget()->installEventFilter(this);
    int right = 0;
    for (const ReviewLine &line : m_lines)
        right += line.isRight ? 1 : 0;
    Label1->setText(QStringLiteral("Тест к главе %1: верных ответов %2 из %3, оценка %4.")
                        .arg(a->chapter)
                        .arg(right)
                        .arg(m_lines.size())
                        .arg(a->grade));
    fill();
    if (!isVisible())
        placeBesideReader();
    shell::bringToFront(this);
    Grid1->setFocus();
}

void TForm12::placeBesideReader()
{
    QWidget *reader = parentWidget();
    if (!reader || !reader->isVisible())
        return;
    const QRect page = reader->frameGeometry();
    const QRect room = reader->screen()->availableGeometry();
    const QSize size = frameGeometry().size();
    if (page.bottom() + size.height() <= room.bottom())
        move(page.left(), page.bottom() + 1);
    else if (page.right() + size.width() <= room.right())
        move(page.right() + 1, page.top());
    else // the screen's lower right corner: a passage is shown at the top of the page
        move(room.right() + 1 - size.width(), room.bottom() + 1 - size.height());
}

bool TForm12::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Hide)
        close();
    return QDialog::eventFilter(watched, event);
}

void TForm12::fill()
{
    Grid1->clearContents();
    Grid1->setRowCount(int(m_lines.size()));
    int firstWrong = -1;
    for (int row = 0; row < m_lines.size(); ++row) {
        const ReviewLine &line = m_lines.at(row);
        const QString texts[] = {QString::number(row + 1), verdict(line),
                                 line.chosen.isEmpty() ? QStringLiteral("—") : line.chosen,
                                 line.right.isEmpty() ? QStringLiteral("—") : line.right, line.text};
        for (int column = NumberColumn; column <= QuestionColumn; ++column) {
            auto *item = new QTableWidgetItem(texts[column]);
            if (!line.isRight) {
                item->setBackground(wrongGround);
                item->setForeground(colour::maroon);
            } else if (column == VerdictColumn) {
                item->setForeground(colour::green);
            }
            Grid1->setItem(row, column, item);
        }
        if (firstWrong < 0 && !line.isRight)
            firstWrong = row;
    }
    // The first wrong answer is what the student came for.
    Grid1->setCurrentCell(qMax(firstWrong, 0), NumberColumn);
    Grid1Change();
}

void TForm12::Grid1Change()
{
    const int row = Grid1->currentRow();
    const bool valid = row >= 0 && row < m_lines.size();
    Label2->setText(valid ? m_lines.at(row).text : QString());
    Button1->setVisible(valid && hasLink(m_lines.at(row)));
}

void TForm12::Grid1Activate()
{
    if (Button1->isVisible())
        Button1Click();
}

void TForm12::Button1Click()
{
    const int row = Grid1->currentRow();
    if (row < 0 || row >= m_lines.size() || !hasLink(m_lines.at(row)))
        return;
    const ReviewLine &line = m_lines.at(row);
    shell::windows()->reader()->showPlace(line.page, line.anchor);
    // Kept above the reader, so the next wrong answer is one key away.
    raise();
}

void TForm12::Button2Click()
{
    close();
}
