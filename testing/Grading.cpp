#include "testing/Grading.h"

#include "data/DbError.h"

int toInteger(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok)
        throw DbError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
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
