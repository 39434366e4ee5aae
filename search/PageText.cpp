#include "search/PageText.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>

namespace search {

namespace {

// The named references of HTML 4 that word-processor pages use: Latin-1, punctuation, symbols.
const QHash<QString, char32_t> &namedReferences()
{
    static const QHash<QString, char32_t> names = [] {
        QHash<QString, char32_t> table;
        static const char *const latin1[] = {
            "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",
            "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",
            "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12",
            "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil",
            "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde",
            "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",
            "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",
            "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",
            "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
            "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};
        char32_t code = 0xA0;
        for (const char *name : latin1)
            table.insert(QString::fromLatin1(name), code++);
        static const struct
        {
            const char *name;
            char32_t code;
        } others[] = {
            {"amp", '&'},       {"lt", '<'},        {"gt", '>'},        {"quot", '"'},      {"apos", '\''},
            {"ndash", 0x2013},  {"mdash", 0x2014},  {"lsquo", 0x2018},  {"rsquo", 0x2019},  {"sbquo", 0x201A},
            {"ldquo", 0x201C},  {"rdquo", 0x201D},  {"bdquo", 0x201E},  {"hellip", 0x2026}, {"bull", 0x2022},
            {"dagger", 0x2020}, {"Dagger", 0x2021}, {"permil", 0x2030}, {"prime", 0x2032},  {"Prime", 0x2033},
            {"lsaquo", 0x2039}, {"rsaquo", 0x203A}, {"euro", 0x20AC},   {"trade", 0x2122},  {"numero", 0x2116},
            {"minus", 0x2212},  {"le", 0x2264},     {"ge", 0x2265},     {"ne", 0x2260},     {"asymp", 0x2248},
            {"infin", 0x221E},  {"larr", 0x2190},   {"rarr", 0x2192},   {"uarr", 0x2191},   {"darr", 0x2193},
            {"harr", 0x2194},   {"ensp", 0x2002},   {"emsp", 0x2003},   {"thinsp", 0x2009}, {"zwnj", 0x200C},
            {"zwj", 0x200D},    {"alpha", 0x03B1},  {"beta", 0x03B2},   {"gamma", 0x03B3},  {"delta", 0x03B4},
            {"pi", 0x03C0},     {"sigma", 0x03C3},  {"Sigma", 0x03A3},  {"sum", 0x2211},    {"radic", 0x221A},
            {"middot", 0x00B7}, {"circ", 0x02C6}};
        for (const auto &other : others)
            table.insert(QString::fromLatin1(other.name), other.code);
        return table;
    }();
    return names;
}

// Elements whose end or start parts the text: everything a browser lays out as a block or cell.
bool partsText(const QString &name)
{
    static const QStringList names{
        QStringLiteral("p"),       QStringLiteral("div"),        QStringLiteral("br"),
        QStringLiteral("li"),      QStringLiteral("ul"),         QStringLiteral("ol"),
        QStringLiteral("dl"),      QStringLiteral("dt"),         QStringLiteral("dd"),
        QStringLiteral("h1"),      QStringLiteral("h2"),         QStringLiteral("h3"),
        QStringLiteral("h4"),      QStringLiteral("h5"),         QStringLiteral("h6"),
        QStringLiteral("table"),   QStringLiteral("tr"),         QStringLiteral("td"),
        QStringLiteral("th"),      QStringLiteral("caption"),    QStringLiteral("thead"),
        QStringLiteral("tbody"),   QStringLiteral("tfoot"),      QStringLiteral("blockquote"),
        QStringLiteral("pre"),     QStringLiteral("hr"),         QStringLiteral("section"),
        QStringLiteral("article"), QStringLiteral("header"),     QStringLiteral("footer"),
        QStringLiteral("nav"),     QStringLiteral("aside"),      QStringLiteral("address"),
        QStringLiteral("figure"),  QStringLiteral("figcaption"), QStringLiteral("center"),
        QStringLiteral("form"),    QStringLiteral("fieldset"),   QStringLiteral("legend"),
        QStringLiteral("option"),  QStringLiteral("img"),        QStringLiteral("body"),
        QStringLiteral("title")};
    return names.contains(name);
}

// Elements whose content is not text at all.
bool hidesContent(const QString &name)
{
    return name == u"style" || name == u"script" || name == u"xml" || name == u"template" || name == u"noscript";
}

QString fromCodePoint(char32_t code)
{
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    return QString::fromUcs4(&code, 1);
}

// A character reference at pos ('&'): its text and length, or empty when it is none.
QString reference(const QString &html, qsizetype pos, qsizetype &length)
{
    const qsizetype end = html.indexOf(u';', pos + 1);
    if (end < 0 || end - pos > 12)
        return {};
    const QStringView body = QStringView(html).mid(pos + 1, end - pos - 1);
    length = end - pos + 1;
    if (body.startsWith(u'#')) {
        bool ok = false;
        const bool hex = body.size() > 1 && (body[1] == u'x' || body[1] == u'X');
        const uint code = hex ? body.mid(2).toUInt(&ok, 16) : body.mid(1).toUInt(&ok, 10);
        return ok ? fromCodePoint(code) : QString();
    }
    const auto found = namedReferences().constFind(body.toString());
    return found == namedReferences().cend() ? QString() : fromCodePoint(*found);
}

// The end of a tag that starts at pos ('<'), quoted attribute values respected: the index of its '>'.
qsizetype tagEnd(const QString &html, qsizetype pos)
{
    QChar quote;
    for (qsizetype i = pos + 1; i < html.size(); ++i) {
        const QChar c = html[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            // A quote opens a value only after '='; elsewhere it is a stray character.
            qsizetype before = i - 1;
            while (before > pos && html[before].isSpace())
                --before;
            if (html[before] == u'=')
                quote = c;
        } else if (c == u'>') {
            return i;
        }
    }
    return html.size();
}

// Whitespace runs become one space, or one line break where a break is among them.
QString collapse(const QString &raw)
{
    QString out;
    out.reserve(raw.size());
    bool space = false;
    bool lineBreak = false;
    for (const QChar c : raw) {
        if (c.isSpace() || c == QChar(0x00A0)) {
            space = true;
            lineBreak = lineBreak || c == u'\n';
            continue;
        }
        if (space && !out.isEmpty())
            out += lineBreak ? u'\n' : u' ';
        space = lineBreak = false;
        out += c;
    }
    return out;
}

} // namespace

QString decodePage(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        return utf16(bytes.mid(2));
    }
    static const QRegularExpression declared(QStringLiteral("charset\\s*=\\s*[\"']?\\s*([A-Za-z0-9_.:-]+)"),
                                             QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = declared.match(QString::fromLatin1(bytes.left(4096)));
    if (match.hasMatch()) {
        QStringDecoder decoder(match.captured(1).toLatin1().constData());
        if (decoder.isValid())
            return decoder(bytes);
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder cyrillic("windows-1251");
    return cyrillic.isValid() ? cyrillic(bytes) : text;
}

PageText pageText(const QString &html)
{
    QString text;
    QString title;
    bool inTitle = false;
    text.reserve(html.size() / 2);
    const auto put = [&](QStringView piece) {
        if (inTitle)
            title += piece;
        else
            text += piece;
    };
    const qsizetype size = html.size();
    for (qsizetype i = 0; i < size;) {
        const QChar c = html[i];
        if (c == u'&') {
            qsizetype length = 0;
            const QString decoded = reference(html, i, length);
            if (!decoded.isEmpty()) {
                put(decoded);
                i += length;
                continue;
            }
            put(QStringView(&html.constData()[i], 1));
            ++i;
            continue;
        }
        if (c != u'<' || i + 1 >= size) {
            put(QStringView(&html.constData()[i], 1));
            ++i;
            continue;
        }
        if (QStringView(html).mid(i, 4) == u"<!--") {
            const qsizetype end = html.indexOf(QStringLiteral("-->"), i + 4);
            i = end < 0 ? size : end + 3;
            continue;
        }
        const QChar next = html[i + 1];
        if (next == u'!' || next == u'?') {
            i = tagEnd(html, i) + 1;
            continue;
        }
        const bool closing = next == u'/';
        qsizetype nameEnd = i + (closing ? 2 : 1);
        while (nameEnd < size && (html[nameEnd].isLetterOrNumber() || html[nameEnd] == u':'))
            ++nameEnd;
        const QString name = html.mid(i + (closing ? 2 : 1), nameEnd - i - (closing ? 2 : 1)).toLower();
        if (name.isEmpty() || !name[0].isLetter()) {
            // Not a tag: a '<' of the text.
            put(QStringView(&html.constData()[i], 1));
            ++i;
            continue;
        }
        i = tagEnd(html, i) + 1;
        if (name == u"title")
            inTitle = !closing;
        if (partsText(name))
            text += u'\n';
        if (!closing && hidesContent(name)) {
            const qsizetype end = html.indexOf(QStringLiteral("</") + name, i, Qt::CaseInsensitive);
            i = end < 0 ? size : tagEnd(html, end) + 1;
        }
    }
    return PageText{collapse(title).simplified(), collapse(text).trimmed()};
}

} // namespace search
