#include "data/SqlStatement.h"

#include "data/DbError.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <sqlite3.h>

SqlStatement::SqlStatement(sqlite3 *db, const QString &sql, const QString &file) : m_db(db), m_file(file)
{
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &m_stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw error(m_db, rc, m_file);
    }
}

SqlStatement::~SqlStatement()
{
    sqlite3_finalize(m_stmt);
}

void SqlStatement::bind(int position, const QVariant &value)
{
    int rc = SQLITE_OK;
    if (value.isNull()) {
        rc = sqlite3_bind_null(m_stmt, position);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
            rc = sqlite3_bind_int64(m_stmt, position, value.toLongLong());
            break;
        case QMetaType::ULongLong:
        case QMetaType::ULong:
            rc = sqlite3_bind_int64(m_stmt, position, qint64(value.toULongLong()));
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(m_stmt, position, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            rc = sqlite3_bind_blob64(m_stmt, position, bytes.constData(), sqlite3_uint64(bytes.size()),
                                     SQLITE_TRANSIENT);
            break;
        }
        default:
            bindText(position, value.toString());
            return;
        }
    }
    if (rc != SQLITE_OK)
        throw error(m_db, rc, m_file);
}

void SqlStatement::bindText(int position, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    const int rc = sqlite3_bind_text64(m_stmt, position, utf8.constData(), sqlite3_uint64(utf8.size()),
                                       SQLITE_TRANSIENT, SQLITE_UTF8);
    if (rc != SQLITE_OK)
        throw error(m_db, rc, m_file);
}

void SqlStatement::bindInt64(int position, qint64 value)
{
    const int rc = sqlite3_bind_int64(m_stmt, position, value);
    if (rc != SQLITE_OK)
        throw error(m_db, rc, m_file);
}

bool SqlStatement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    // The statement must let go of its lock before the error travels up.
    sqlite3_reset(m_stmt);
    throw error(m_db, rc, m_file);
}

void SqlStatement::reset()
{
    sqlite3_reset(m_stmt);
}

void SqlStatement::exec()
{
    while (step()) {
    }
}

int SqlStatement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QVariant SqlStatement::value(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(m_stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, column));
    case SQLITE_BLOB: {
        const void *data = sqlite3_column_blob(m_stmt, column);
        return QVariant(QByteArray(static_cast<const char *>(data), sqlite3_column_bytes(m_stmt, column)));
    }
    case SQLITE_NULL:
        return {};
    default:
        return QVariant(text(column));
    }
}

qint64 SqlStatement::int64(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

QString SqlStatement::text(int column) const
{
    const auto *data = sqlite3_column_text(m_stmt, column);
    const int size = sqlite3_column_bytes(m_stmt, column);
    return QString::fromUtf8(reinterpret_cast<const char *>(data), size);
}

bool SqlStatement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

DbError SqlStatement::error(sqlite3 *db, int rc, const QString &file)
{
    // What happened to the file itself is said first, whatever SQLite made of it: a file deleted or
    // moved while open reads as read-only to SQLite, an emptied one as a database without tables.
    if (!file.isEmpty()) {
        const QFileInfo info(file);
        const int extended = db ? sqlite3_extended_errcode(db) : rc;
        if (!info.exists() || extended == SQLITE_READONLY_DBMOVED)
            return DbError::fileGone(file);
        if (info.isFile() && info.size() == 0)
            return DbError::fileEmpty(file);
    }
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return DbError::busy(file);
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
        return DbError::writeRefused(file);
    case SQLITE_NOTADB:
        return DbError::notSqlite(file);
    case SQLITE_CORRUPT:
        return DbError(QStringLiteral("Файл базы данных %1 повреждён.").arg(file));
    case SQLITE_FULL:
        return DbError(QStringLiteral("Не удалось сохранить изменения в %1: на диске нет места.").arg(file));
    case SQLITE_IOERR:
        return DbError(QStringLiteral("Не удалось прочитать или записать файл базы данных %1.").arg(file));
    case SQLITE_NOMEM:
        return DbError(QStringLiteral("Не хватает памяти для работы с базой данных %1.").arg(file));
    case SQLITE_CONSTRAINT:
        return DbError(
            QStringLiteral("База данных %1 отказалась сохранить запись: запись нарушает её ограничения.").arg(file));
    case SQLITE_SCHEMA:
        return DbError(
            QStringLiteral("Структура базы данных %1 изменилась во время работы. Повторите действие.").arg(file));
    case SQLITE_INTERRUPT:
    case SQLITE_ABORT:
        return DbError(QStringLiteral("Действие с базой данных %1 прервано.").arg(file));
    default:
        break;
    }
    // SQLite's texts are English: the ones a changed file gives are told in Russian, the rest by
    // their code alone.
    const QString text = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
    static const QRegularExpression noTable(QStringLiteral("^no such table: (?:main\\.)?(.+)$"));
    static const QRegularExpression noColumn(QStringLiteral("^no such column: (.+)$"));
    static const QRegularExpression tableNoColumn(QStringLiteral("^table (\\S+) has no column named (.+)$"));
    if (const QRegularExpressionMatch m = noTable.match(text); m.hasMatch())
        return DbError::tableMissing(m.captured(1));
    if (const QRegularExpressionMatch m = noColumn.match(text); m.hasMatch())
        return DbError(QStringLiteral("В базе данных нет поля «%1».").arg(m.captured(1)));
    if (const QRegularExpressionMatch m = tableNoColumn.match(text); m.hasMatch())
        return DbError::columnMissing(m.captured(1), m.captured(2));
    return DbError(QStringLiteral("Ошибка базы данных %1 (код ошибки %2).").arg(file).arg(rc));
}
