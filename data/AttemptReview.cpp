#include "data/AttemptReview.h"

#include "data/AttemptJournal.h"
#include "data/Backend.h"
#include "data/Connection.h"
#include "data/DbError.h"
#include "data/SqlName.h"
#include "data/SqliteJournal.h"

#include <QHash>

QList<ReviewLine> attemptReview(AttemptJournal &journal, Connection &connection, qint64 attempt)
{
    const std::optional<Attempt> a = journal.attempt(attempt);
    if (!a)
        throw DbError(QStringLiteral("Тест не найден в базе данных: его запись удалила другая программа."));
    // Refused for an attempt that is not graded: the right letters are not shown before the end.
    const QHash<int, QString> key = journal.answerKey(attempt);
    QHash<int, RecordedAnswer> given;
    for (const RecordedAnswer &answer : journal.answers(attempt))
        given.insert(answer.question, answer);

    const QString table = QStringLiteral("Test%1").arg(a->chapter);
    QHash<int, std::pair<QString, QString>> places;
    {
        // The table's name in any letter case, as both engines compare it.
        const auto rows = connection.query(
            QStringLiteral("SELECT ID_V, Page, Anchor FROM QuestionPlace WHERE lower(TestTable) = lower(?)"), {table});
        while (rows->next())
            places.insert(int(rows->int64(0)), {rows->text(1), rows->text(2)});
    }

    const QStringList columns = questionColumns(connection, a->chapter);
    const auto rows = connection.query(QStringLiteral("SELECT %1, %2 FROM %3 ORDER BY %1")
                                           .arg(sql::quotedName(columns.at(0)), sql::quotedName(columns.at(1)),
                                                connection.backend().tableName(table)));
    QList<ReviewLine> lines;
    while (rows->next()) {
        ReviewLine line;
        line.question = int(rows->int64(0));
        line.text = rows->text(1);
        line.right = key.value(line.question);
        const auto answer = given.constFind(line.question);
        if (answer != given.cend()) {
            line.chosen = answer->letter;
            line.isRight = answer->right;
        }
        const auto place = places.constFind(line.question);
        if (place != places.cend()) {
            line.page = place->first;
            line.anchor = place->second;
        }
        lines.append(line);
    }
    return lines;
}
