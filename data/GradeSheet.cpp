#include "data/GradeSheet.h"

#include "data/Backend.h"
#include "data/Connection.h"
#include "data/Grades.h"
#include "data/SqlName.h"
#include "data/SqliteJournal.h"

#include <QHash>

#include <algorithm>
#include <map>

namespace {

QString fileNameOf(const QString &path)
{
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(slash + 1);
}

QString csvField(QString text)
{
    static const QString formulaStart = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && formulaStart.contains(text.front()))
        text.prepend(u'\'');
    if (text.contains(u';') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r') ||
        text.contains(u',')) {
        text.replace(u'"', QStringLiteral("\"\""));
        text = u'"' + text + u'"';
    }
    return text;
}

} // namespace

const QStringList &coursePages()
{
    static const QStringList pages = {
        QStringLiteral("Glaves\\Введение.htm"),   QStringLiteral("Glaves\\Содержание.htm"),
        QStringLiteral("Glaves\\Glava1.html"),    QStringLiteral("Glaves\\Glava2.htm"),
        QStringLiteral("Glaves\\Glava3.htm"),     QStringLiteral("Glaves\\Glava4.htm"),
        QStringLiteral("Glaves\\Glava5.htm"),     QStringLiteral("Glaves\\Glava6.htm"),
        QStringLiteral("Glaves\\Литература.htm"), QStringLiteral("Glaves\\Словарь основных терминов и понятий.htm"),
    };
    return pages;
}

void notePageVisit(Connection &connection, int student, const QString &page)
{
    connection.execute(QStringLiteral("INSERT INTO PageVisit (ID_User, Page) VALUES (?, ?) ON CONFLICT DO NOTHING"),
                       {student, page});
}

GradeSheet readGradeSheet(Connection &connection)
{
    GradeSheet sheet;
    QHash<int, int> chapterColumn;
    auto chapters = connection.query(QStringLiteral("SELECT ID_Glava, Caption FROM Glaves ORDER BY ID_Glava"));
    while (chapters->next()) {
        chapterColumn.insert(int(chapters->int64(0)), int(sheet.chapters.size()));
        sheet.chapters.append({int(chapters->int64(0)), chapters->text(1)});
    }

    QHash<int, qsizetype> rowOf;
    auto users = connection.query(
        QStringLiteral("SELECT ID, \"фамилия\", \"специальность\", \"курс\", \"путь\" FROM Users ORDER BY ID"));
    while (users->next()) {
        SheetRow row;
        row.student = int(users->int64(0));
        row.name = users->text(1);
        row.specialty = users->text(2);
        row.course = users->text(3);
        row.lastPage = fileNameOf(users->text(4));
        row.grades.fill(0, sheet.chapters.size());
        rowOf.insert(row.student, sheet.rows.size());
        sheet.rows.append(row);
    }

    // A student may have several rows for a chapter (files written by older versions): the best
    // grade stands.
    auto grades = connection.query(QStringLiteral(
        "SELECT ID_User, ID_glava, max(Ocenka) FROM Result WHERE Ocenka > 0 GROUP BY ID_User, ID_glava"));
    while (grades->next()) {
        const auto row = rowOf.constFind(int(grades->int64(0)));
        const auto column = chapterColumn.constFind(int(grades->int64(1)));
        if (row != rowOf.cend() && column != chapterColumn.cend())
            sheet.rows[*row].grades[*column] = int(grades->int64(2));
    }

    auto attempts = connection.query(QStringLiteral("SELECT ID_User, count(*) FROM Attempt GROUP BY ID_User"));
    while (attempts->next()) {
        const auto row = rowOf.constFind(int(attempts->int64(0)));
        if (row != rowOf.cend())
            sheet.rows[*row].attempts = int(attempts->int64(1));
    }

    QString pageList;
    QVariantList pages;
    for (const QString &page : coursePages()) {
        pageList += pageList.isEmpty() ? QStringLiteral("?") : QStringLiteral(", ?");
        pages << page;
    }
    auto visits = connection.query(
        QStringLiteral("SELECT ID_User, count(*) FROM PageVisit WHERE Page IN (%1) GROUP BY ID_User").arg(pageList),
        pages);
    while (visits->next()) {
        const auto row = rowOf.constFind(int(visits->int64(0)));
        if (row != rowOf.cend())
            sheet.rows[*row].pagesOpened = int(visits->int64(1));
    }
    return sheet;
}

QList<QuestionFigures> difficultQuestions(Connection &connection, int chapter)
{
    const QStringList columns = questionColumns(connection, chapter);
    const QString table = connection.backend().tableName(QStringLiteral("Test%1").arg(chapter));
    auto graded = connection.query(
        QStringLiteral("SELECT count(*) FROM Attempt WHERE Chapter = ? AND State = 'graded'"), {chapter});
    const int tests = graded->next() ? int(graded->int64(0)) : 0;

    QHash<int, int> right;
    auto rights = connection.query(QStringLiteral("SELECT a.ID_V, count(*) FROM AttemptAnswer a JOIN Attempt t ON "
                                                  "t.ID_Attempt = a.ID_Attempt WHERE t.Chapter = ? AND t.State = "
                                                  "'graded' AND a.IsRight = 1 GROUP BY a.ID_V"),
                                   {chapter});
    while (rights->next())
        right.insert(int(rights->int64(0)), int(rights->int64(1)));

    // Letter counts per question, the letters in order so a tie goes to the first.
    QHash<int, std::map<QString, int>> wrong;
    auto wrongs = connection.query(QStringLiteral("SELECT a.ID_V, a.Letter, count(*) FROM AttemptAnswer a JOIN Attempt "
                                                  "t ON t.ID_Attempt = a.ID_Attempt WHERE t.Chapter = ? AND t.State = "
                                                  "'graded' AND a.IsRight = 0 GROUP BY a.ID_V, a.Letter"),
                                   {chapter});
    while (wrongs->next())
        wrong[int(wrongs->int64(0))][wrongs->text(1)] = int(wrongs->int64(2));

    QList<QuestionFigures> figures;
    auto questions = connection.query(QStringLiteral("SELECT %1, %2 FROM %3 ORDER BY %1")
                                          .arg(sql::quotedName(columns[0]), sql::quotedName(columns[1]), table));
    while (questions->next()) {
        QuestionFigures f;
        f.question = int(questions->int64(0));
        f.text = questions->text(1);
        f.tests = tests;
        f.rightPercent = rightPercentage(right.value(f.question), tests);
        int most = 0;
        for (const auto &[letter, count] : wrong.value(f.question)) {
            if (count > most) {
                most = count;
                f.commonWrong = letter;
            }
        }
        figures.append(f);
    }
    std::stable_sort(figures.begin(), figures.end(), [](const QuestionFigures &a, const QuestionFigures &b) {
        return a.rightPercent < b.rightPercent;
    });
    return figures;
}

QByteArray sheetCsv(const GradeSheet &sheet)
{
    QStringList header = {QStringLiteral("Фамилия"), QStringLiteral("Специальность"), QStringLiteral("Курс")};
    for (const SheetChapter &chapter : sheet.chapters)
        header << csvField(chapter.caption);
    header << QStringLiteral("Попыток") << QStringLiteral("Последняя страница") << QStringLiteral("Открыто страниц");
    QString text = header.join(u';') + QStringLiteral("\r\n");
    for (const SheetRow &row : sheet.rows) {
        QStringList fields = {csvField(row.name), csvField(row.specialty), csvField(row.course)};
        for (int grade : row.grades)
            fields << (grade > 0 ? QString::number(grade) : QString());
        fields << QString::number(row.attempts) << csvField(row.lastPage) << QString::number(row.pagesOpened);
        text += fields.join(u';') + QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QString sheetFileName(const QDate &date, const QString &extension)
{
    return QStringLiteral("Ведомость %1.%2").arg(date.toString(Qt::ISODate), extension);
}
