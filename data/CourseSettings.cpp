#include "data/CourseSettings.h"

#include "data/Backend.h"
#include "data/Connection.h"
#include "data/DbError.h"

#include <utility>

namespace {

constexpr int mostMinutes = 600;

} // namespace

QString settingsProblem(const GradeRules &rules)
{
    if (rules.minutes < 1 || rules.minutes > mostMinutes)
        return QStringLiteral("Время на тест — целое число минут от 1 до %1.").arg(mostMinutes);
    for (int percent : {rules.fine, rules.good, rules.bad}) {
        if (percent < 0 || percent > 100)
            return QStringLiteral("Пороги оценок — целые проценты от 0 до 100.");
    }
    if (rules.fine < rules.good || rules.good < rules.bad)
        return QStringLiteral("Порог оценки «5» не может быть ниже порога «4», а порог «4» — ниже порога «3».");
    return {};
}

GradeRules readSettings(Connection &connection)
{
    const auto value = [&](const char *name) {
        auto rows = connection.query(QStringLiteral("SELECT Value FROM System WHERE Name = ? ORDER BY id"),
                                     {QString::fromLatin1(name)});
        bool ok = false;
        const int number = rows->next() ? rows->text(0).trimmed().toInt(&ok) : 0;
        return ok ? number : 0;
    };
    return {value("Min"), value("FinePercent"), value("GoodPercent"), value("BadPercent")};
}

void saveSettings(Connection &connection, const GradeRules &rules)
{
    const QString problem = settingsProblem(rules);
    if (!problem.isEmpty())
        throw DbError(problem);
    const std::pair<const char *, int> values[] = {
        {"Min", rules.minutes}, {"FinePercent", rules.fine}, {"GoodPercent", rules.good}, {"BadPercent", rules.bad}};
    connection.inTransaction([&] {
        for (const auto &[name, number] : values) {
            const QVariantList bound = {QString::number(number), QString::fromLatin1(name)};
            if (connection.execute(QStringLiteral("UPDATE System SET Value = ? WHERE Name = ?"), bound) == 0)
                connection.execute(QStringLiteral("INSERT INTO System (Value, Name) VALUES (?, ?)"), bound);
        }
    });
}
