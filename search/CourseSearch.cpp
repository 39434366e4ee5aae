#include "search/CourseSearch.h"

#include "data/DbError.h"
#include "search/PageText.h"
#include "search/SearchQuery.h"

#include <QDir>
#include <QFile>
#include <QThread>

namespace search {

CourseSearch::CourseSearch(const QString &pagesFolder, const QString &indexFile, QObject *parent)
    : QObject(parent), m_folder(pagesFolder),
      m_indexFile(indexFile.isEmpty() ? SearchIndex::defaultFile(pagesFolder) : indexFile)
{}

CourseSearch::~CourseSearch()
{
    if (m_thread)
        m_thread->wait();
}

void CourseSearch::start()
{
    if (isRunning())
        return;
    // The index in use stays with this thread; the update works on a connection of its own and
    // hands it over.
    m_index.reset();
    m_problem.clear();
    delete m_thread;
    m_thread = QThread::create([this] {
        try {
            try {
                m_built = std::make_unique<SearchIndex>(m_indexFile);
                m_built->update(m_folder);
            } catch (const DbError &) {
                // A cache folder that cannot be written: the index is kept in memory for this run.
                m_built = std::make_unique<SearchIndex>(QStringLiteral(":memory:"));
                m_built->update(m_folder);
            }
        } catch (const DbError &error) {
            m_built.reset();
            m_builtProblem = error.message();
        } catch (const std::exception &) {
            m_built.reset();
            m_builtProblem = QStringLiteral("Не удалось построить указатель для поиска по учебнику.");
        }
    });
    m_thread->setObjectName(QStringLiteral("SearchIndex"));
    connect(m_thread, &QThread::finished, this, &CourseSearch::takeResult);
    m_thread->start(QThread::LowPriority);
}

bool CourseSearch::isRunning() const
{
    return m_thread && !m_thread->isFinished() && !m_index;
}

void CourseSearch::waitForReady()
{
    if (!m_thread)
        return;
    m_thread->wait();
    takeResult();
}

void CourseSearch::takeResult()
{
    if (!m_built && m_builtProblem.isEmpty())
        return; // taken already
    m_index = std::move(m_built);
    m_problem = m_builtProblem;
    m_builtProblem.clear();
    Q_EMIT finished();
}

QList<SearchHit> CourseSearch::find(const QString &typed, int limit)
{
    if (!m_index)
        return {};
    return m_index->find(SearchQuery(typed), limit);
}

QStringList CourseSearch::wordsOnPage(const QString &typed, const QString &page) const
{
    QFile file(QDir(m_folder).filePath(page));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const PageText text = pageText(decodePage(file.readAll()));
    return SearchQuery(typed).wordsFoundIn(text.title + u'\n' + text.text);
}

} // namespace search
