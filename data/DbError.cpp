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

namespace {

const QString whereConfigured =
    QStringLiteral("Адрес сервера задан переменной VELANIKA_SERVER, файлом server.conf в папке данных или файлом "
                   "/etc/velanika/server.conf.");

} // namespace

DbError DbError::serverUnreachable(const QString &host)
{
    DbError error(QStringLiteral("Нет связи с сервером базы данных %1. Проверьте, что сервер включён, что компьютер "
                                 "подключён к сети класса, и повторите; если не помогает, обратитесь к "
                                 "администратору. %2")
                      .arg(host, whereConfigured));
    error.m_lost = true;
    return error;
}

DbError DbError::serverLibraryMissing(const QString &host)
{
    return DbError(QStringLiteral("Для работы с сервером базы данных %1 нужна библиотека PostgreSQL (пакет libpq5), а "
                                  "она не установлена. Обратитесь к администратору. %2")
                       .arg(host, whereConfigured));
}

DbError DbError::serverLoginRefused(const QString &host)
{
    DbError error(QStringLiteral("Сервер базы данных %1 не принял имя или пароль, с которыми программа входит на "
                                 "сервер. Обратитесь к администратору: настройка подключения неверна. %2")
                      .arg(host, whereConfigured));
    error.m_loginRefused = true;
    return error;
}

DbError DbError::serverDatabaseMissing(const QString &host)
{
    return DbError(QStringLiteral("На сервере %1 нет базы данных, названной в настройке подключения. Обратитесь к "
                                  "администратору. %2")
                       .arg(host, whereConfigured));
}

DbError DbError::serverNotPrepared(const QString &host)
{
    return DbError(QStringLiteral("База данных на сервере %1 не подготовлена для учебника. Администратору нужно "
                                  "выполнить «velanika-server init».")
                       .arg(host));
}

DbError DbError::schemaMismatch(const QString &host, int server, int program)
{
    return DbError(QStringLiteral("База данных учебника на сервере %1 версии %2, а этой программе нужна версия %3. "
                                  "Работать с ней программа не может: обновите программу на этом компьютере или "
                                  "базу на сервере (администратор: «velanika-server init» новой версии).")
                       .arg(host)
                       .arg(server)
                       .arg(program));
}

DbError DbError::connectionLost(const QString &host)
{
    DbError error(QStringLiteral("Связь с сервером базы данных %1 прервалась. Сделанное до этого сохранено; "
                                 "последнее действие не выполнено. Повторите его, когда сервер снова доступен.")
                      .arg(host));
    error.m_lost = true;
    return error;
}

DbError DbError::serverConflict(const QString &host)
{
    DbError error(QStringLiteral("Сервер базы данных %1 не успел выполнить действие из-за одновременной работы "
                                 "других учеников. Изменения не сохранены, повторите попытку.")
                      .arg(host));
    error.m_busy = true;
    return error;
}

DbError DbError::serverRefused(const QString &host)
{
    return DbError(
        QStringLiteral("Сервер базы данных %1 не разрешил это действие: у программы нет на него прав.").arg(host));
}
