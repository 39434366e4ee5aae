#include "data/QuestionBank.h"

#include "data/Backend.h"
#include "data/Connection.h"
#include "data/SqlName.h"
#include "data/SqliteJournal.h"

#include <QRegularExpression>

#include <optional>

namespace {

constexpr int longestText = 255; // the question tables' widths
constexpr int mostAnswers = 5;

struct Line
{
    int number;
    QString text;
};

QList<Line> linesOf(QString text)
{
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QList<Line> lines;
    int number = 0;
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        lines.append({++number, line});
    }
    return lines;
}

QString letterAt(qsizetype index)
{
    return QString(QChar(char16_t(u'A' + index)));
}

// Why a question read whole cannot go into a question table; empty when it can.
QString problemOf(const BankQuestion &q)
{
    if (q.text.trimmed().isEmpty())
        return QStringLiteral("нет текста вопроса");
    if (q.answers.size() < 2)
        return QStringLiteral("меньше двух вариантов ответа");
    if (q.answers.size() > mostAnswers)
        return QStringLiteral("больше пяти вариантов ответа");
    if (q.text.size() > longestText)
        return QStringLiteral("вопрос длиннее %1 знаков").arg(longestText);
    for (qsizetype i = 0; i < q.answers.size(); ++i) {
        if (q.answers.at(i).trimmed().isEmpty())
            return QStringLiteral("пустой вариант ответа %1").arg(letterAt(i));
        if (q.answers.at(i).size() > longestText)
            return QStringLiteral("вариант ответа %1 длиннее %2 знаков").arg(letterAt(i)).arg(longestText);
    }
    const qsizetype index = q.right.size() == 1 ? qsizetype(q.right.at(0).unicode()) - u'A' : -1;
    if (index < 0 || index >= q.answers.size())
        return QStringLiteral("верный ответ «%1» — не буква одного из вариантов").arg(q.right);
    return {};
}

// Takes the question when it is sound, else rejects it at line.
void settle(ParsedBank &bank, BankQuestion q, int line)
{
    const QString problem = problemOf(q);
    if (problem.isEmpty())
        bank.questions.append(std::move(q));
    else
        bank.rejected.append({line, problem});
}

// Aiken: the question on one line (or several before the first answer), "A. text" or "A) text"
// answers in order, then "ANSWER: B"; questions apart by blank lines or right after ANSWER.
ParsedBank parseAiken(const QString &text)
{
    static const QRegularExpression option(QStringLiteral("^([A-Za-z])[.)]\\s+(.*)$"));
    static const QRegularExpression answer(QStringLiteral("^ANSWER:\\s*(\\S*)\\s*$"),
                                           QRegularExpression::CaseInsensitiveOption);
    ParsedBank bank;
    BankQuestion q;
    bool open = false;     // a question has begun
    bool skipping = false; // the question was rejected: its lines up to ANSWER or a blank are passed
    for (const Line &line : linesOf(text)) {
        const QString s = line.text.trimmed();
        if (s.isEmpty()) {
            if (open && !skipping)
                bank.rejected.append({q.line, QStringLiteral("нет строки «ANSWER: буква»")});
            open = skipping = false;
            continue;
        }
        const auto a = answer.match(s);
        if (skipping) {
            if (a.hasMatch())
                open = skipping = false;
            continue;
        }
        if (!open) {
            if (a.hasMatch() || option.match(s).hasMatch()) {
                bank.rejected.append({line.number, QStringLiteral("ожидался текст вопроса")});
                skipping = !a.hasMatch();
                open = skipping;
                continue;
            }
            q = BankQuestion{s, {}, {}, {}, line.number};
            open = true;
            continue;
        }
        if (a.hasMatch()) {
            q.right = a.captured(1).toUpper();
            settle(bank, q, line.number);
            open = false;
            continue;
        }
        const auto o = option.match(s);
        if (o.hasMatch()) {
            if (q.answers.size() == mostAnswers) {
                bank.rejected.append({line.number, QStringLiteral("больше пяти вариантов ответа")});
                skipping = true;
                continue;
            }
            if (o.captured(1).toUpper() != letterAt(q.answers.size())) {
                bank.rejected.append(
                    {line.number,
                     QStringLiteral("ожидался вариант %1, а не %2").arg(letterAt(q.answers.size()), o.captured(1))});
                skipping = true;
                continue;
            }
            q.answers << o.captured(2).trimmed();
            continue;
        }
        if (q.answers.isEmpty()) {
            q.text += u' ' + s; // a question written on several lines
            continue;
        }
        bank.rejected.append({line.number, QStringLiteral("строка не вариант ответа «A. текст» и не «ANSWER: буква»")});
        skipping = true;
    }
    if (open && !skipping)
        bank.rejected.append({q.line, QStringLiteral("нет строки «ANSWER: буква»")});
    return bank;
}

// The index of the first c in s at or after from that no backslash escapes; -1 if none.
qsizetype unescaped(const QString &s, QChar c, qsizetype from = 0)
{
    for (qsizetype i = from; i < s.size(); ++i) {
        if (s.at(i) == u'\\')
            ++i;
        else if (s.at(i) == c)
            return i;
    }
    return -1;
}

QString ungift(QString s)
{
    static const QRegularExpression escape(QStringLiteral("\\\\([~=#{}:\\\\])"));
    s.replace(QStringLiteral("\\n"), QStringLiteral(" "));
    s.replace(escape, QStringLiteral("\\1"));
    return s.simplified();
}

// GIFT: "::title:: question { =right ~wrong ~wrong }", a question per block of lines; only
// questions with one right answer among five or fewer are taken.
ParsedBank parseGift(const QString &text)
{
    ParsedBank bank;
    QList<QPair<int, QString>> blocks;
    bool inBlock = false;
    for (const Line &line : linesOf(text)) {
        const QString s = line.text.trimmed();
        if (s.startsWith(QStringLiteral("//")) || s.startsWith(QStringLiteral("$CATEGORY:"))) {
            continue;
        }
        if (s.isEmpty()) {
            inBlock = false;
            continue;
        }
        if (!inBlock)
            blocks.append({line.number, QString()});
        blocks.last().second += line.text + u'\n';
        inBlock = true;
    }
    static const QRegularExpression title(QStringLiteral("^::.*?::"));
    static const QRegularExpression markup(QStringLiteral("^\\[(html|moodle|plain|markdown)\\]"));
    static const QRegularExpression weight(QStringLiteral("^%(-?[0-9.]+)%"));
    for (const auto &[start, block] : blocks) {
        const qsizetype open = unescaped(block, u'{');
        const qsizetype close = open < 0 ? -1 : unescaped(block, u'}', open);
        if (open < 0 || close < 0) {
            bank.rejected.append({start, QStringLiteral("нет ответов в фигурных скобках { }")});
            continue;
        }
        QString before = block.left(open).trimmed();
        before.remove(title);
        before = before.trimmed().remove(markup);
        const QString after = block.mid(close + 1).trimmed();
        const QString body = block.mid(open + 1, close - open - 1).trimmed();
        const QString upper = body.toUpper();
        if (body.isEmpty() || upper == QStringLiteral("T") || upper == QStringLiteral("F") ||
            upper == QStringLiteral("TRUE") || upper == QStringLiteral("FALSE")) {
            bank.rejected.append({start, QStringLiteral("вопрос «верно/неверно» или эссе: берутся только вопросы с "
                                                        "выбором ответа")});
            continue;
        }
        if (body.startsWith(u'#')) {
            bank.rejected.append({start, QStringLiteral("числовой вопрос: берутся только вопросы с выбором ответа")});
            continue;
        }
        if (body.contains(QStringLiteral("->"))) {
            bank.rejected.append({start, QStringLiteral("вопрос на соответствие: берутся только вопросы с выбором "
                                                        "ответа")});
            continue;
        }
        BankQuestion q{
            ungift(after.isEmpty() ? before : before + QStringLiteral(" _____ ") + after), {}, {}, {}, start};
        QString problem;
        int rights = 0;
        qsizetype at = 0;
        while (problem.isEmpty()) {
            const qsizetype tilde = unescaped(body, u'~', at);
            const qsizetype equals = unescaped(body, u'=', at);
            qsizetype mark = tilde < 0 ? equals : equals < 0 ? tilde : std::min(tilde, equals);
            if (mark < 0)
                break;
            if (at == 0 && !body.left(mark).trimmed().isEmpty()) {
                problem = QStringLiteral("перед первым ответом нет «=» или «~»");
                break;
            }
            const qsizetype nextTilde = unescaped(body, u'~', mark + 1);
            const qsizetype nextEquals = unescaped(body, u'=', mark + 1);
            const qsizetype next = nextTilde < 0    ? nextEquals
                                   : nextEquals < 0 ? nextTilde
                                                    : std::min(nextTilde, nextEquals);
            QString answer = body.mid(mark + 1, next < 0 ? -1 : next - mark - 1);
            const qsizetype feedback = unescaped(answer, u'#');
            if (feedback >= 0)
                answer.truncate(feedback);
            answer = answer.trimmed();
            bool right = body.at(mark) == u'=';
            const auto w = weight.match(answer);
            if (w.hasMatch()) {
                if (w.captured(1).toDouble() > 0 && !right)
                    problem = QStringLiteral("несколько верных ответов с долями: берутся вопросы с одним верным");
                right = right || w.captured(1).toDouble() >= 100;
                answer.remove(0, w.capturedLength());
            }
            if (right) {
                ++rights;
                q.right = letterAt(q.answers.size());
            }
            q.answers << ungift(answer);
            if (next < 0)
                break;
            at = next;
        }
        if (problem.isEmpty() && rights == int(q.answers.size()))
            problem = QStringLiteral("вопрос с кратким ответом: берутся только вопросы с выбором ответа");
        else if (problem.isEmpty() && rights != 1)
            problem = QStringLiteral("верных ответов должно быть ровно один, а их %1").arg(rights);
        if (!problem.isEmpty())
            bank.rejected.append({start, problem});
        else
            settle(bank, q, start);
    }
    return bank;
}

// CSV: question; five answers (the unused ones empty); the right letter (or its number 1..5);
// optionally the place. ';' or ',' between fields, as the first line has; a header row whose first
// field is "вопрос" or "question" is passed over.
ParsedBank parseCsv(const QString &text)
{
    ParsedBank bank;
    const QString first = text.section(u'\n', 0, 0);
    const QChar separator = first.count(u';') >= first.count(u',') ? u';' : u',';
    QList<int> lines;
    const QList<QStringList> rows = readCsvRows(text, separator, &lines);
    for (qsizetype r = 0; r < rows.size(); ++r) {
        QStringList fields = rows.at(r);
        for (QString &field : fields)
            field = field.trimmed();
        const int line = lines.at(r);
        if (fields.join(QString()).isEmpty())
            continue;
        const QString head = fields.constFirst().toLower();
        if (r == 0 && (head == QStringLiteral("вопрос") || head == QStringLiteral("question")))
            continue;
        if (fields.size() != 7 && fields.size() != 8) {
            bank.rejected.append(
                {line, QStringLiteral("полей %1, а нужно 7 или 8: вопрос, пять ответов (лишние пустые), "
                                      "верный ответ[, место в курсе]")
                           .arg(fields.size())});
            continue;
        }
        BankQuestion q{fields.at(0), {}, fields.at(6).toUpper(), fields.value(7), line};
        qsizetype used = 5;
        while (used > 0 && fields.at(used).isEmpty())
            --used;
        for (qsizetype i = 1; i <= used; ++i)
            q.answers << fields.at(i);
        if (q.right.size() == 1 && q.right.at(0) >= u'1' && q.right.at(0) <= u'5')
            q.right = letterAt(q.right.at(0).unicode() - u'1');
        settle(bank, q, line);
    }
    return bank;
}

// The course's own format (see exportBank).
ParsedBank parseCourse(const QString &text)
{
    static const QRegularExpression tagged(QStringLiteral("^([?A-E=@]) (.*)$"));
    ParsedBank bank;
    std::optional<BankQuestion> q;
    bool skipping = false;
    const auto end = [&] {
        if (q && !skipping)
            settle(bank, *q, q->line);
        q.reset();
        skipping = false;
    };
    for (const Line &line : linesOf(text)) {
        const QString s = line.text.trimmed();
        if (s.startsWith(u'#'))
            continue;
        if (s.isEmpty()) {
            end();
            continue;
        }
        if (skipping)
            continue;
        const auto m = tagged.match(s);
        const QString tag = m.hasMatch() ? m.captured(1) : QString();
        if (!q) {
            if (tag != QStringLiteral("?")) {
                bank.rejected.append({line.number, QStringLiteral("ожидалось начало вопроса «? текст»")});
                q = BankQuestion{};
                skipping = true;
                continue;
            }
            q = BankQuestion{m.captured(2).trimmed(), {}, {}, {}, line.number};
        } else if (tag == letterAt(q->answers.size()) && q->right.isEmpty()) {
            q->answers << m.captured(2).trimmed();
        } else if (tag == QStringLiteral("=") && q->right.isEmpty()) {
            q->right = m.captured(2).trimmed();
        } else if (tag == QStringLiteral("@") && !q->right.isEmpty()) {
            q->place = m.captured(2).trimmed();
        } else {
            bank.rejected.append({line.number, QStringLiteral("строка не на своём месте: «%1»").arg(s.left(40))});
            skipping = true;
        }
    }
    end();
    return bank;
}

} // namespace

BankFormat bankFormatOf(const QString &fileName, const QString &text)
{
    const QString lower = fileName.toLower();
    if (lower.endsWith(QStringLiteral(".gift")))
        return BankFormat::Gift;
    if (lower.endsWith(QStringLiteral(".csv")))
        return BankFormat::Csv;
    for (const Line &line : linesOf(text)) {
        const QString s = line.text.trimmed();
        if (!s.isEmpty() && !s.startsWith(u'#'))
            return s.startsWith(QStringLiteral("? ")) ? BankFormat::Course : BankFormat::Aiken;
    }
    return BankFormat::Aiken;
}

ParsedBank parseBank(const QString &text, BankFormat format)
{
    switch (format) {
    case BankFormat::Aiken:
        return parseAiken(text);
    case BankFormat::Gift:
        return parseGift(text);
    case BankFormat::Csv:
        return parseCsv(text.startsWith(QChar(0xFEFF)) ? text.mid(1) : text);
    case BankFormat::Course:
        return parseCourse(text);
    }
    return {};
}

void importBank(Connection &connection, int chapter, const QList<BankQuestion> &questions, bool replace)
{
    const QStringList columns = questionColumns(connection, chapter);
    Backend &engine = connection.backend();
    const QString testTable = QStringLiteral("Test%1").arg(chapter);
    const QString table = engine.tableName(testTable);
    QStringList names;
    for (qsizetype i = 1; i < columns.size(); ++i)
        names << sql::quotedName(columns.at(i));
    const QString insert =
        QStringLiteral("INSERT INTO %1 (%2) VALUES (?, ?, ?, ?, ?, ?, ?)").arg(table, names.join(u','));
    connection.inTransaction([&] {
        if (replace) {
            connection.execute(QStringLiteral("DELETE FROM %1").arg(table));
            connection.execute(QStringLiteral("DELETE FROM QuestionPlace WHERE TestTable = ?"), {testTable});
        }
        for (const BankQuestion &q : questions) {
            QVariantList values = {q.text};
            for (int i = 0; i < mostAnswers; ++i)
                values << q.answers.value(i);
            values << q.right;
            const qint64 id = engine.insert(insert, values, columns.at(0));
            if (!q.place.isEmpty()) {
                connection.execute(
                    QStringLiteral("INSERT INTO QuestionPlace (TestTable, ID_V, Page, Anchor) VALUES (?, ?, ?, ?)"),
                    {testTable, id, q.place.section(u'#', 0, 0), q.place.section(u'#', 1)});
            }
        }
    });
}

QString exportBank(Connection &connection, int chapter)
{
    const QStringList columns = questionColumns(connection, chapter);
    QStringList names;
    for (const QString &column : columns)
        names << QStringLiteral("q.") + sql::quotedName(column);
    auto rows = connection.query(
        QStringLiteral("SELECT %1, p.Page, p.Anchor FROM %2 q LEFT JOIN QuestionPlace p ON p.TestTable = ? AND "
                       "p.ID_V = q.%3 ORDER BY q.%3")
            .arg(names.join(u','), connection.backend().tableName(QStringLiteral("Test%1").arg(chapter)),
                 sql::quotedName(columns.at(0))),
        {QStringLiteral("Test%1").arg(chapter)});
    QString text;
    while (rows->next()) {
        text += QStringLiteral("? %1\n").arg(rows->text(1));
        for (int i = 0; i < mostAnswers; ++i) {
            if (!rows->text(2 + i).isEmpty())
                text += QStringLiteral("%1 %2\n").arg(letterAt(i), rows->text(2 + i));
        }
        text += QStringLiteral("= %1\n").arg(rows->text(7).trimmed());
        if (!rows->text(8).isEmpty()) {
            const QString anchor = rows->text(9);
            text += QStringLiteral("@ %1\n").arg(anchor.isEmpty() ? rows->text(8) : rows->text(8) + u'#' + anchor);
        }
        text += u'\n';
    }
    return text;
}

QList<QStringList> readCsvRows(const QString &text, QChar separator, QList<int> *lines)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    int line = 1;
    int rowLine = 1;
    const auto endRow = [&] {
        row << field;
        rows << row;
        if (lines)
            lines->append(rowLine);
        row.clear();
        field.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\n')
            ++line;
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == separator) {
            row << field;
            field.clear();
        } else if (c == u'\n') {
            endRow();
            rowLine = line;
        } else if (c != u'\r') {
            field += c;
        }
    }
    if (!field.isEmpty() || !row.isEmpty())
        endRow();
    return rows;
}
