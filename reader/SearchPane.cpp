#include "reader/ui_SearchPane.h"

#include "reader/SearchPane.h"

#include "data/DbError.h"
#include "platform/FormFonts.h"
#include "reader/SearchResults.h"
#include "search/CourseSearch.h"

#include <QKeyEvent>

namespace reader {

namespace {

// Fills a screen and is quickly read; a longer list means the words were too few.
constexpr int mostHits = 50;

} // namespace

QString pagesFoundText(int count)
{
    const int tens = count % 100;
    const int ones = count % 10;
    QString word = QStringLiteral("страниц");
    if (ones == 1 && tens != 11)
        word = QStringLiteral("страница");
    else if (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14))
        word = QStringLiteral("страницы");
    return QStringLiteral("Найдено: %1 %2").arg(count).arg(word);
}

SearchPane::SearchPane(search::CourseSearch *search, QWidget *parent)
    : QFrame(parent), m_ui(std::make_unique<Ui::SearchPane>()), m_search(search),
      m_results(new SearchResultsModel(this))
{
    m_ui->setupUi(this);
    platform::applyPixelFonts(this);
    SearchEdit = m_ui->SearchEdit;
    SearchStatus = m_ui->SearchStatus;
    SearchResults = m_ui->SearchResults;
    SearchClose = m_ui->SearchClose;
    SearchResults->setModel(m_results);
    SearchResults->setItemDelegate(new SearchResultDelegate(SearchResults));
    SearchEdit->installEventFilter(this);
    SearchResults->installEventFilter(this);
    connectHandlers();
}

SearchPane::~SearchPane() = default;

void SearchPane::connectHandlers()
{
    connect(SearchEdit, &QLineEdit::textChanged, this, &SearchPane::runSearch);
    connect(SearchEdit, &QLineEdit::returnPressed, this, &SearchPane::chooseCurrent);
    connect(SearchResults, &QListView::activated, this, &SearchPane::chooseCurrent);
    connect(SearchClose, &QToolButton::clicked, this, &QWidget::hide);
    connect(m_search, &search::CourseSearch::finished, this, &SearchPane::searchReady);
}

void SearchPane::open()
{
    show();
    raise();
    SearchEdit->setFocus();
    SearchEdit->selectAll();
    runSearch();
}

void SearchPane::runSearch()
{
    const QString typed = SearchEdit->text();
    QList<search::SearchHit> hits;
    QString status;
    if (typed.trimmed().isEmpty()) {
        status = QStringLiteral("Введите слова: найдутся страницы, где есть все они в любой форме.");
    } else if (!m_search->problem().isEmpty()) {
        status = m_search->problem();
    } else if (!m_search->isReady()) {
        status = QStringLiteral("Поиск готовится: страницы учебника читаются…");
    } else {
        try {
            hits = m_search->find(typed, mostHits);
            if (hits.isEmpty())
                status = QStringLiteral("Ничего не найдено: нет страницы, где были бы все эти слова.");
            else if (hits.size() == mostHits)
                status = QStringLiteral("Показаны %1 самых подходящих страниц; уточните запрос.").arg(mostHits);
            else
                status = pagesFoundText(int(hits.size()));
        } catch (const DbError &error) {
            status = error.message();
        }
    }
    m_results->setHits(hits);
    SearchStatus->setText(status);
    if (!hits.isEmpty())
        SearchResults->setCurrentIndex(m_results->index(0));
}

void SearchPane::chooseCurrent()
{
    const QModelIndex current = SearchResults->currentIndex();
    choose(current.isValid() ? current.row() : 0);
}

void SearchPane::searchReady()
{
    // What was typed while the index was being made is looked for now.
    if (isVisible())
        runSearch();
}

void SearchPane::choose(int row)
{
    const QModelIndex index = m_results->index(row);
    if (!index.isValid())
        return;
    Q_EMIT pageChosen(index.data(SearchResultsModel::PageRole).toString(), SearchEdit->text());
}

void SearchPane::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QFrame::keyPressEvent(event);
}

bool SearchPane::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QFrame::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    // From the words down into the list, and from the top of the list back up.
    if (watched == SearchEdit && (key == Qt::Key_Down || key == Qt::Key_PageDown) && m_results->rowCount() > 0) {
        SearchResults->setFocus();
        return true;
    }
    if (watched == SearchResults && key == Qt::Key_Up && SearchResults->currentIndex().row() <= 0) {
        SearchEdit->setFocus();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

} // namespace reader
