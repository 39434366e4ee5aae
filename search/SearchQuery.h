#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace search {

// What the student typed, as the index reads it. Every word must occur in a page; words in
// quotes ("..." or «...») must occur together in that order; a word ending in * is the start of
// words. Nothing typed is taken as an operator of the index's query language.
class SearchQuery
{
public:
    explicit SearchQuery(const QString &typed);

    // No word to look for (only spaces or punctuation).
    bool isEmpty() const { return m_phrases.isEmpty(); }
    // The expression for FTS5 MATCH.
    QString match() const { return m_match; }

    // The words of a text that the query looks for, lower case as they stand in the text
    // ("Оценок" -> "оценок"; ё kept), each once, in the order they first occur.
    QStringList wordsFoundIn(const QString &text) const;

private:
    struct Phrase
    {
        QStringList words; // folded
        bool prefix = false;
    };
    QList<Phrase> m_phrases;
    QString m_match;
};

} // namespace search
