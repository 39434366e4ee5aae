#include "reader/ReadingTools.h"

#include "data/DbError.h"
#include "data/Unit8.h"
#include "platform/HandlerGuard.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramPaths.h"
#include "platform/WebView.h"
#include "reader/FindBar.h"
#include "reader/SearchPane.h"
#include "reader/Unit2.h"
#include "search/CourseSearch.h"

#include <QAction>
#include <QEvent>
#include <QShortcut>

#include <algorithm>
#include <iterator>

namespace reader {

namespace {

constexpr int zoomSteps[] = {50, 67, 75, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300};

const QString zoomKey = QStringLiteral("PageZoom");
const QString darkKey = QStringLiteral("DarkPage");

QString fileName(const QString &page)
{
    return page.mid(page.lastIndexOf(u'\\') + 1);
}

} // namespace

int nextZoom(int percent, int steps)
{
    const int *begin = std::begin(zoomSteps);
    const int *end = std::end(zoomSteps);
    // The step at or just above percent; a size between steps goes up to that one first.
    const int *at = std::lower_bound(begin, end, percent);
    if (steps > 0 && at != end && *at > percent)
        --steps;
    const auto index = std::clamp<std::ptrdiff_t>((at - begin) + steps, 0, std::size(zoomSteps) - 1);
    return zoomSteps[index];
}

ReadingTools::ReadingTools(TForm2 *reader)
    : QObject(reader), m_reader(reader), m_pageArea(reader->WebBrowser1->geometry()),
      m_search(new search::CourseSearch(platform::contentFile(QStringLiteral("Glaves")), {}, this)),
      m_pane(new SearchPane(m_search, reader->WebBrowser1->parentWidget())),
      m_findBar(new FindBar(reader->WebBrowser1, reader->WebBrowser1->parentWidget())),
      m_escape(new QShortcut(Qt::Key_Escape, reader))
{
    setObjectName(QStringLiteral("ReadingTools"));
    m_pane->hide();
    m_escape->setEnabled(false);
    layOut();
    connectHandlers();
    reader->installEventFilter(this);
}

ReadingTools::~ReadingTools() = default;

void ReadingTools::connectHandlers()
{
    using platform::connectHandler;
    connectHandler(m_reader->SearchCourse, &QAction::triggered, this, &ReadingTools::SearchCourseClick);
    connect(m_reader->FindInPage, &QAction::triggered, m_findBar, &FindBar::open);
    connect(m_reader->FindNext, &QAction::triggered, m_findBar, &FindBar::findNext);
    connect(m_reader->FindPrevious, &QAction::triggered, m_findBar, &FindBar::findPrevious);
    connectHandler(m_reader->ZoomIn, &QAction::triggered, this, &ReadingTools::ZoomInClick);
    connectHandler(m_reader->ZoomOut, &QAction::triggered, this, &ReadingTools::ZoomOutClick);
    connectHandler(m_reader->ZoomReset, &QAction::triggered, this, &ReadingTools::ZoomResetClick);
    connectHandler(m_reader->DarkPage, &QAction::triggered, this, &ReadingTools::DarkPageClick);
    connect(m_escape, &QShortcut::activated, this, &ReadingTools::EscapeClick);
    connect(m_findBar, &FindBar::shownChanged, this, &ReadingTools::layOut);
    connect(m_pane, &SearchPane::pageChosen, this,
            [this](const QString &page, const QString &typed) { platform::guarded([&] { openFound(page, typed); }); });
    m_pane->installEventFilter(this);
}

void ReadingTools::layOut()
{
    platform::WebView *view = m_reader->WebBrowser1;
    if (m_findBar->isVisible()) {
        const int height = m_findBar->sizeHint().height();
        view->setGeometry(m_pageArea.adjusted(0, 0, 0, -height));
        m_findBar->setGeometry(m_pageArea.x(), m_pageArea.bottom() + 1 - height, m_pageArea.width(), height);
    } else {
        view->setGeometry(m_pageArea);
    }
    m_pane->setGeometry(m_pageArea);
    m_escape->setEnabled(m_findBar->isVisible() || m_pane->isVisible());
}

void ReadingTools::SearchCourseClick()
{
    m_search->startOnce();
    m_pane->open();
    m_escape->setEnabled(true);
}

void ReadingTools::EscapeClick()
{
    if (m_pane->isVisible())
        m_pane->hide();
    else
        m_findBar->close();
}

void ReadingTools::openFound(const QString &page, const QString &typed)
{
    m_pane->hide();
    const QString path = QStringLiteral("Glaves\\") + QString(page).replace(u'/', u'\\');
    // A page of the reader's panel opens as its entry does: the chapter chosen for its test, the
    // labels painted, the page remembered.
    using Entry = void (TForm2::*)();
    const std::pair<QString, Entry> entries[] = {
        {fileName(introductionPage()), &TForm2::Label8Click},
        {QStringLiteral("Содержание.htm"), &TForm2::Label3Click},
        {QStringLiteral("Литература.htm"), &TForm2::Label10Click},
        {QStringLiteral("Словарь основных терминов и понятий.htm"), &TForm2::Label9Click},
        {fileName(chapterPage(1)), &TForm2::Label1Click},
        {fileName(chapterPage(2)), &TForm2::Label2Click},
        {fileName(chapterPage(3)), &TForm2::Label4Click},
        {fileName(chapterPage(4)), &TForm2::Label5Click},
        {fileName(chapterPage(5)), &TForm2::Label6Click},
        {fileName(chapterPage(6)), &TForm2::Label7Click},
    };
    const auto entry =
        std::find_if(std::begin(entries), std::end(entries), [&](const auto &e) { return e.first == page; });
    if (entry != std::end(entries))
        (m_reader->*(entry->second))();
    else
        m_reader->WebBrowser1->Navigate(platform::expandFileName(path));
    m_reader->WebBrowser1->markWords(m_search->wordsOnPage(typed, page));
    m_reader->WebBrowser1->setFocus();
}

void ReadingTools::setZoom(int percent)
{
    m_reader->WebBrowser1->setZoom(percent);
    store(zoomKey, QString::number(percent));
}

void ReadingTools::ZoomInClick()
{
    setZoom(nextZoom(m_reader->WebBrowser1->zoom(), 1));
}

void ReadingTools::ZoomOutClick()
{
    setZoom(nextZoom(m_reader->WebBrowser1->zoom(), -1));
}

void ReadingTools::ZoomResetClick()
{
    setZoom(100);
}

void ReadingTools::DarkPageClick()
{
    m_reader->WebBrowser1->setDarkPage(m_reader->DarkPage->isChecked());
    store(darkKey, m_reader->DarkPage->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void ReadingTools::store(const QString &name, const QString &value)
{
    if (m_storeRefused)
        return;
    try {
        Data->storePreference(name, value);
    } catch (const DbError &error) {
        m_storeRefused = true;
        platform::errorBox(QStringLiteral("Вид страницы не сохранён для следующего входа: %1").arg(error.message()));
    }
}

void ReadingTools::loadPreferences()
{
    m_storeRefused = false;
    int zoom = 100;
    bool dark = false;
    try {
        bool number = false;
        const int kept = Data->preference(zoomKey).toInt(&number);
        if (number && kept >= zoomSteps[0] && kept <= std::end(zoomSteps)[-1])
            zoom = kept;
        dark = Data->preference(darkKey) == u"1";
    } catch (const DbError &) {
        // Without them the page is shown as it is: nothing the student must be told.
    }
    m_reader->WebBrowser1->setZoom(zoom);
    m_reader->WebBrowser1->setDarkPage(dark);
    m_reader->DarkPage->setChecked(dark);
}

bool ReadingTools::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_reader && event->type() == QEvent::Show && !event->spontaneous()) {
        loadPreferences();
        // The index is brought up to the pages when the search is first opened, not here: the
        // chapter page comes first, and a student who never searches never pays for it.
    }
    if (watched == m_pane && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        m_escape->setEnabled(m_findBar->isVisible() || event->type() == QEvent::Show);
    return QObject::eventFilter(watched, event);
}

} // namespace reader
