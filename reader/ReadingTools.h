#pragma once

#include <QObject>
#include <QRect>

class QShortcut;
class TForm2;

namespace search {
class CourseSearch;
} // namespace search

namespace reader {

class FindBar;
class SearchPane;

// What the reader gives for reading beyond its pages: the search across the course, find in
// page, the page's size and the dark page, which the reader's menus "Поиск" and "Вид" command.
// The page's size and the dark page are the student's, kept with the student's records, and come
// back at the next sign-in.
class ReadingTools : public QObject
{
    Q_OBJECT
public:
    explicit ReadingTools(TForm2 *reader);
    ~ReadingTools() override;

    SearchPane *searchPane() const { return m_pane; }
    FindBar *findBar() const { return m_findBar; }
    search::CourseSearch *courseSearch() const { return m_search; }

    void SearchCourseClick();
    void ZoomInClick();
    void ZoomOutClick();
    void ZoomResetClick();
    void DarkPageClick();
    void EscapeClick();

    // Opens a page found as its entry of the reader's panel does (any other page as a link
    // would), with the words found on it marked.
    void openFound(const QString &page, const QString &typed);
    // The signed-in student's page size and dark page.
    void loadPreferences();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectHandlers();
    void layOut();
    void setZoom(int percent);
    void store(const QString &name, const QString &value);

    TForm2 *m_reader;
    // Where the page view stands in the reader; the find bar takes its bottom while shown.
    QRect m_pageArea;
    search::CourseSearch *m_search;
    SearchPane *m_pane;
    FindBar *m_findBar;
    QShortcut *m_escape;
    // A record that refused a preference is told once, not at every key press.
    bool m_storeRefused = false;
};

// The page size, in percent, steps Ctrl++ (steps > 0) and Ctrl+- (steps < 0) go to from percent.
int nextZoom(int percent, int steps);

} // namespace reader
