#include "data/DbError.h"

DbError::DbError(const QString &message) : std::runtime_error(message.toStdString()) {}

QString DbError::message() const
{
    return QString::fromUtf8(what());
}

DbError DbError::fileMissing(const QString &path)
{
    return DbError(QStringLiteral("Файл базы данных не найден: %1").arg(path));
}

DbError DbError::fileGone(const QString &path)
{
    return DbError(QStringLiteral("Файл базы данных %1 не найден на прежнем месте: его удалили или переместили, пока "
                                  "программа работала. Изменения не сохранены; верните файл на место и запустите "
                                  "программу снова.")
                       .arg(path));
}

DbError DbError::fileEmpty(const QString &path)
{
    return DbError(QStringLiteral("Файл базы данных пуст: %1").arg(path));
}

DbError DbError::fileUnreadable(const QString &path)
{
    return DbError(QStringLiteral("Не удаётся прочитать файл базы данных: %1").arg(path));
}

DbError DbError::notSqlite(const QString &path)
{
    return DbError(QStringLiteral("Файл %1 не является базой данных SQLite.").arg(path));
}

DbError DbError::accessFile(const QString &path)
{
    return DbError(QStringLiteral("Файл %1 — база данных Microsoft Access (Jet). Программа работает с базой в формате "
                                  "SQLite: файл нужно преобразовать в этот формат.")
                       .arg(path));
}

DbError DbError::tableMissing(const QString &table)
{
    return DbError(QStringLiteral("В базе данных нет таблицы «%1».").arg(table));
}

DbError DbError::columnMissing(const QString &table, const QString &column)
{
    return DbError(QStringLiteral("В таблице «%1» нет поля «%2».").arg(table, column));
}

DbError DbError::indexMissing(const QString &table, const QString &index)
{
    return DbError(QStringLiteral("У таблицы «%1» нет индекса «%2».").arg(table, index));
}

DbError DbError::writeRefused(const QString &path)
{
    return DbError(QStringLiteral("Не удалось сохранить изменения: файл базы данных %1 или его папка доступны "
                                  "только для чтения.")
                       .arg(path));
}

DbError DbError::busy(const QString &path)
{
    DbError error(
        QStringLiteral("База данных %1 занята другой программой. Изменения не сохранены, повторите попытку позже.")
            .arg(path));
    error.m_busy = true;
    return error;
}

DbError DbError::notInteger(const QString &text)
{
    return DbError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

DbError DbError::cursorClosed(const QString &table)
{
    return DbError(QStringLiteral("Таблица «%1» не открыта.").arg(table));
}

DbError DbError::notEditing(const QString &table)
{
    return DbError(QStringLiteral("Запись таблицы «%1» не редактируется: изменить поле можно только после "
                                  "правки или вставки записи.")
                       .arg(table));
}

DbError DbError::studentMissing()
{
    return DbError(QStringLiteral("Запись студента не найдена в базе данных: её удалила другая программа. Страницы и "
                                  "оценки не сохраняются, пока вы не зарегистрируетесь снова."));
}
