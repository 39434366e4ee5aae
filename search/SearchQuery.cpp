#include "search/SearchQuery.h"

#include "search/Words.h"

#include <set>
#include <string>

namespace search {

namespace {

bool opensQuote(QChar c)
{
    return c == u'"' || c == u'«' || c == u'„' || c == u'“';
}

bool closesQuote(QChar opening, QChar c)
{
    if (opening == u'«')
        return c == u'»';
    if (opening == u'„')
        return c == u'“' || c == u'”';
    if (opening == u'“')
        return c == u'”';
    return c == u'"';
}

QStringList foldedWords(const QString &text)
{
    QStringList words;
    const QByteArray utf8 = text.toUtf8();
    forEachWord(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())), [&](const Word &word) {
        words << QString::fromUtf8(word.folded.data(), qsizetype(word.folded.size()));
    });
    return words;
}

} // namespace

SearchQuery::SearchQuery(const QString &typed)
{
    const auto add = [this](const QString &piece, bool quoted) {
        Phrase phrase;
        QString words = piece;
        if (!quoted) {
            phrase.prefix = words.endsWith(u'*');
            while (words.endsWith(u'*'))
                words.chop(1);
        }
        phrase.words = foldedWords(words);
        if (phrase.words.isEmpty())
            return;
        // One quoted string of the query language: the tokenizer splits and stems it, and its words
        // must stand together. Only the quote itself needs escaping inside.
        QString term = u'"' + phrase.words.join(u' ') + u'"';
        if (phrase.prefix)
            term += u'*';
        if (!m_match.isEmpty())
            m_match += u' ';
        m_match += term;
        m_phrases << phrase;
    };

    QString piece;
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const QChar c = typed[i];
        if (opensQuote(c)) {
            add(piece, false);
            piece.clear();
            qsizetype end = i + 1;
            while (end < typed.size() && !closesQuote(c, typed[end]))
                ++end;
            add(typed.mid(i + 1, end - i - 1), true);
            i = end;
            continue;
        }
        if (c.isSpace()) {
            add(piece, false);
            piece.clear();
            continue;
        }
        piece += c;
    }
    add(piece, false);
}

QStringList SearchQuery::wordsFoundIn(const QString &text) const
{
    Stemmer stemmer;
    std::set<std::string> terms;
    std::set<std::string> prefixes;
    std::string stem;
    std::string alternate;
    for (const Phrase &phrase : m_phrases) {
        for (qsizetype i = 0; i < phrase.words.size(); ++i) {
            stemmer.stem(phrase.words[i].toStdString(), stem, alternate);
            std::set<std::string> &into = phrase.prefix && i == phrase.words.size() - 1 ? prefixes : terms;
            into.insert(stem);
            if (!alternate.empty())
                into.insert(alternate);
        }
    }
    const auto matches = [&](const std::string &term) {
        if (terms.count(term))
            return true;
        for (const std::string &prefix : prefixes)
            if (term.compare(0, prefix.size(), prefix) == 0)
                return true;
        return false;
    };

    QStringList found;
    const QByteArray utf8 = text.toUtf8();
    forEachWord(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())), [&](const Word &word) {
        stemmer.stem(word.folded, stem, alternate);
        if (!matches(stem) && (alternate.empty() || !matches(alternate)))
            return;
        const QString shown = QString::fromUtf8(utf8.constData() + word.start, word.end - word.start).toLower();
        if (!found.contains(shown))
            found << shown;
    });
    return found;
}

} // namespace search
