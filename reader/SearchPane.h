#pragma once

#include <QFrame>

#include <memory>

class QLabel;
class QLineEdit;
class QListView;
class QToolButton;

namespace Ui {
class SearchPane;
} // namespace Ui

namespace search {
class CourseSearch;
} // namespace search

namespace reader {

class SearchResultsModel;

// The search across the course, over the page view: the pages found are listed as the words
// are typed, best first; choosing one asks for it to be opened.
class SearchPane : public QFrame
{
    Q_OBJECT
public:
    explicit SearchPane(search::CourseSearch *search, QWidget *parent = nullptr);
    ~SearchPane() override;

    QLineEdit *SearchEdit;
    QLabel *SearchStatus;
    QListView *SearchResults;
    QToolButton *SearchClose;

    SearchResultsModel *results() const { return m_results; }

    // Shows the pane with the words typed last selected, ready for new ones.
    void open();
    // Looks for the words typed and lists the pages found.
    void runSearch();
    // Asks for the page of the result to be opened.
    void choose(int row);

Q_SIGNALS:
    // page: its path inside Glaves; typed: the words it was found by.
    void pageChosen(const QString &page, const QString &typed);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectHandlers();
    void chooseCurrent();
    void searchReady();

    std::unique_ptr<Ui::SearchPane> m_ui;
    search::CourseSearch *m_search;
    SearchResultsModel *m_results;
};

// "Найдено: 3 страницы", with the word's form for the number.
QString pagesFoundText(int count);

} // namespace reader
