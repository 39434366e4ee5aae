#pragma once

#include "search/SearchIndex.h"

#include <QObject>
#include <QString>

#include <memory>

class QThread;

namespace search {

// The search over a course's pages as a window uses it: the index is brought up to the pages on
// a thread of its own, so that the program never waits for it, and searched on the caller's
// thread once it is ready.
class CourseSearch : public QObject
{
    Q_OBJECT
public:
    // indexFile: where the index lives; empty for SearchIndex::defaultFile(folder).
    explicit CourseSearch(const QString &pagesFolder, const QString &indexFile = {}, QObject *parent = nullptr);
    ~CourseSearch() override;

    // Starts bringing the index up to the pages; again after it has finished, it looks again.
    void start();
    // Starts it unless it was started before in this run.
    void startOnce()
    {
        if (!m_thread)
            start();
    }
    bool isRunning() const;
    bool isReady() const { return m_index != nullptr; }
    // Blocks until the running update has finished (tests and benchmarks).
    void waitForReady();

    // Why there is no index, as a Russian sentence; empty while it is being built or is ready.
    QString problem() const { return m_problem; }

    // Pages for what the student typed, best first. Throws DbError when the index fails.
    QList<SearchHit> find(const QString &typed, int limit = 100);
    // The words of a page found (its path inside the pages folder) that the typed text looks
    // for, as they stand on it (see SearchQuery::wordsFoundIn); none when the page cannot be read.
    QStringList wordsOnPage(const QString &typed, const QString &page) const;

Q_SIGNALS:
    // The index is ready for find(), or problem() says why it never will be.
    void finished();

private:
    void takeResult();

    QString m_folder;
    QString m_indexFile;
    QThread *m_thread = nullptr;
    std::unique_ptr<SearchIndex> m_index;
    // Written by the thread, taken over once it has ended.
    std::unique_ptr<SearchIndex> m_built;
    QString m_builtProblem;
    QString m_problem;
};

} // namespace search
