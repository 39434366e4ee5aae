#include "testing/Grading.h"

#include "data/DbError.h"

#include <cmath>

int toInteger(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok)
        throw DbError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

int rightPercentage(int right, int questions)
{
    if (questions <= 0)
        return 0;
    const double share = right * 100.0 / questions;
    const double below = std::floor(share);
    const double rest = share - below;
    double rounded = below;
    if (rest > 0.5)
        rounded = below + 1;
    else if (rest == 0.5)
        rounded = std::fmod(below, 2.0) == 0.0 ? below : below + 1;
    return static_cast<int>(rounded);
}

int gradeFor(int percentage, int fine, int good, int bad)
{
    // Thresholds are not compared with each other: a "good" above "fine" never gives 4.
    if (percentage >= fine)
        return 5;
    if (percentage >= good)
        return 4;
    if (percentage >= bad)
        return 3;
    return 2;
}

namespace {

QString twoDigits(int value)
{
    return value < 10 ? QStringLiteral("0") + QString::number(value) : QString::number(value);
}

} // namespace

QString timeText(int minutes, int seconds)
{
    const QString text = (twoDigits(minutes) + QStringLiteral(":")).left(5);
    return (text + twoDigits(seconds)).left(5);
}

TimeUsed timeUsed(int limitMinutes, int minutesLeft, int secondsLeft)
{
    if (secondsLeft > 0)
        return {limitMinutes - minutesLeft - 1, 60 - secondsLeft};
    return {limitMinutes - minutesLeft, -secondsLeft};
}

QString resultReport(int right, int questions, TimeUsed used, int grade)
{
    return QStringLiteral("Тест завершен!\rВы ответили правильно на: ") + QString::number(right) +
           QStringLiteral("\r") + QStringLiteral("из: ") + QString::number(questions) + QStringLiteral(" вопросов") +
           QStringLiteral("\r") + QStringLiteral("Затрачено времени ") + QString::number(used.minutes) +
           QStringLiteral("мин") + QStringLiteral(" : ") + QString::number(used.seconds) + QStringLiteral("сек\r") +
           QStringLiteral("Ваша оценка: ") + QString::number(grade);
}
