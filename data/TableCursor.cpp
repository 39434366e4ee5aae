#include "data/TableCursor.h"

#include "data/Backend.h"
#include "data/Connection.h"
#include "data/DbError.h"
#include "data/SqlName.h"
#include "data/TextWidth.h"

#include <QHash>
#include <QPointer>

#include <algorithm>
#include <functional>
#include <limits>
#include <optional>

namespace {

enum class Affinity
{
    Integer,
    Text,
    Blob,
    Real,
    Numeric
};

// SQLite's own rules for the affinity of a declared type.
Affinity affinityOf(const QString &declared)
{
    const QString type = declared.toUpper();
    if (type.contains(QStringLiteral("INT")))
        return Affinity::Integer;
    if (type.contains(QStringLiteral("CHAR")) || type.contains(QStringLiteral("CLOB")) ||
        type.contains(QStringLiteral("TEXT")))
        return Affinity::Text;
    if (type.isEmpty() || type.contains(QStringLiteral("BLOB")))
        return Affinity::Blob;
    if (type.contains(QStringLiteral("REAL")) || type.contains(QStringLiteral("FLOA")) ||
        type.contains(QStringLiteral("DOUB")))
        return Affinity::Real;
    return Affinity::Numeric;
}

// The N of TEXT(N), VARCHAR(N) and the like; 0 when the type declares no width.
int widthOf(const QString &declared)
{
    // Parsed by hand: a regular expression here would load the pattern engine, half a megabyte.
    const qsizetype open = declared.indexOf(u'(');
    const qsizetype close = declared.indexOf(u')', open + 1);
    if (open < 0 || close < 0)
        return 0;
    const QStringView digits = QStringView(declared).mid(open + 1, close - open - 1).trimmed();
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); }))
        return 0;
    return digits.toInt();
}

bool toInt(const QVariant &value, int &out)
{
    bool ok = false;
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool: {
        const qlonglong v = value.toLongLong();
        ok = v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
        out = int(v);
        break;
    }
    case QMetaType::Double: {
        const double v = value.toDouble();
        ok = v == double(qint64(v)) && v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
        out = int(v);
        break;
    }
    default:
        out = value.toString().toInt(&ok);
        break;
    }
    return ok;
}

QString displayText(const QVariant &value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QByteArray)
        return QString::fromUtf8(value.toByteArray());
    return value.toString();
}

// A key for the lookup cache that keeps 1 and "1" apart.
QString cacheKey(const QVariant &value)
{
    return QString::number(value.typeId()) + u':' + value.toString();
}

constexpr int rowCacheLimit = 512;
constexpr int readBlock = 32;

// The state of the file that a cursor's rows were read in (SQLite; a server has none and its
// rows are read again). Equal stamps mean the cursor's table is as it was: another program's
// commit moves data_version, a changed table layout the schema version, a row changed through
// this connection either the table's count of rows changed by cursors or the count of all other
// changed rows.
using Stamp = ChangeStamp;

struct FieldDef
{
    QString name;   // as declared by the program, or the table's own
    QString column; // the table's column; empty for a lookup field
    Affinity affinity = Affinity::Blob;
    int size = 0;
    int lookup = -1; // index into Impl::lookups
    int fetch = -1;  // position in the row-fetching SELECT
};

} // namespace

struct TableCursor::Impl
{
    TableCursor *q;
    QPointer<Connection> connection;
    QString table;

    QString indexName;
    QStringList orderBy;
    QStringList declared;
    QList<LookupField> lookups;
    QPointer<TableCursor> master;
    QString masterField;
    QString detailField;
    QList<QPointer<TableCursor>> details;

    // Layout: fields in the program's order, and the columns read for each row.
    QList<FieldDef> fields;
    QStringList fetchColumns;
    QString fetchSql;
    QString relation;          // the table as statements spell it
    QString rowKey;            // its stable row key, quoted
    QString keyName;           // the same, as the engine names it
    QStringList lookupSql;     // per lookup: the statement that finds its value
    QList<int> lookupKeyFetch; // per lookup: its key's position in the fetch
    QStringList orderTerms;    // ORDER BY terms before rowid
    QString detailColumn;
    bool layoutKnown = false; // the table's columns have been read

    bool open = false;
    bool quiet = false; // no signals while being destroyed
    QList<qint64> rows; // rowids of the snapshot, in cursor order
    int pos = -1;
    bool eof = true;
    bool bof = true;
    mutable QHash<qint64, int> positionOf;
    mutable bool positionsValid = false;
    mutable QHash<qint64, QVariantList> rowCache;
    mutable QHash<QString, QVariant> lookupCache;
    // The file's state that the rows match, so a re-read of an unchanged file can be skipped; none
    // when unknown. A detail never has one: its rows also depend on the master's row.
    std::optional<Stamp> rowsStamp;

    CursorState state = CursorState::Inactive;
    QVariantList pending; // per field
    QList<bool> modified; // per field
    bool anySet = false;  // the program set a field of the pending row
    qint64 editRowid = 0;

    Backend &engine() const
    {
        if (!connection)
            throw DbError::cursorClosed(table);
        return connection->backend();
    }

    void requireOpen() const
    {
        if (!open)
            throw DbError::cursorClosed(table);
    }

    QList<TableColumn> tableColumns(const QString &name) const { return engine().columns(name); }

    static const TableColumn *findColumn(const QList<TableColumn> &columns, const QString &name)
    {
        for (const TableColumn &c : columns) {
            if (c.name.compare(name, Qt::CaseInsensitive) == 0)
                return &c;
        }
        return nullptr;
    }

    // Field names only, so fieldIndex works on a closed cursor with declared fields.
    void layoutFromDeclarations()
    {
        if (layoutKnown)
            return;
        fields.clear();
        for (const QString &name : std::as_const(declared))
            fields.append({name, name, Affinity::Blob, 0, -1, -1});
        insertLookups();
    }

    void insertLookups()
    {
        for (int i = 0; i < lookups.size(); ++i) {
            const LookupField &l = lookups.at(i);
            FieldDef def{l.name, {}, Affinity::Text, l.size, i, -1};
            const int at = (l.position < 0 || l.position > fields.size()) ? int(fields.size()) : l.position;
            fields.insert(at, def);
        }
    }

    void readLayout()
    {
        const QList<TableColumn> columns = tableColumns(table);
        fields.clear();
        fetchColumns.clear();
        const auto addColumn = [&](const QString &declaredName, const TableColumn &c) {
            FieldDef def{declaredName, c.name, affinityOf(c.type), 0, -1, int(fetchColumns.size())};
            if (def.affinity == Affinity::Text)
                def.size = widthOf(c.type);
            fetchColumns.append(c.name);
            fields.append(def);
        };
        if (declared.isEmpty()) {
            for (const TableColumn &c : columns)
                addColumn(c.name, c);
        } else {
            for (const QString &name : std::as_const(declared)) {
                const TableColumn *c = findColumn(columns, name);
                if (!c)
                    throw DbError::columnMissing(table, name);
                addColumn(name, *c);
            }
        }

        lookupKeyFetch.clear();
        lookupSql.clear();
        for (const LookupField &l : std::as_const(lookups)) {
            const TableColumn *key = findColumn(columns, l.keyField);
            if (!key)
                throw DbError::columnMissing(table, l.keyField);
            const QList<TableColumn> other = tableColumns(l.lookupTable);
            if (!findColumn(other, l.lookupKey))
                throw DbError::columnMissing(l.lookupTable, l.lookupKey);
            if (!findColumn(other, l.lookupResult))
                throw DbError::columnMissing(l.lookupTable, l.lookupResult);
            lookupSql.append(QStringLiteral("SELECT ") + sql::quotedName(findColumn(other, l.lookupResult)->name) +
                             QStringLiteral(" FROM ") + engine().tableName(l.lookupTable) + QStringLiteral(" WHERE ") +
                             sql::quotedName(findColumn(other, l.lookupKey)->name) + QStringLiteral(" = ? ORDER BY ") +
                             sql::quotedName(engine().rowKey(l.lookupTable)) + QStringLiteral(" LIMIT 1"));
            qsizetype at = fetchColumns.indexOf(key->name);
            if (at < 0) {
                at = fetchColumns.size();
                fetchColumns.append(key->name);
            }
            lookupKeyFetch.append(int(at));
        }
        insertLookups();

        relation = engine().tableName(table);
        keyName = engine().rowKey(table);
        rowKey = keyName == u"rowid" ? keyName : sql::quotedName(keyName);
        QStringList selected;
        for (const QString &c : std::as_const(fetchColumns))
            selected.append(sql::quotedName(c));
        fetchSql = selected.isEmpty() ? QString()
                                      : QStringLiteral("SELECT ") + rowKey + QStringLiteral(", ") +
                                            selected.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + relation +
                                            QStringLiteral(" WHERE ") + rowKey + QStringLiteral(" IN (");

        orderTerms.clear();
        if (!indexName.isEmpty()) {
            orderTerms = engine().indexTerms(table, indexName);
        } else {
            for (const QString &name : std::as_const(orderBy)) {
                const TableColumn *c = findColumn(columns, name);
                if (!c)
                    throw DbError::columnMissing(table, name);
                orderTerms.append(sql::quotedName(c->name));
            }
        }

        detailColumn.clear();
        if (!detailField.isEmpty()) {
            const TableColumn *c = findColumn(columns, detailField);
            if (!c)
                throw DbError::columnMissing(table, detailField);
            detailColumn = c->name;
        }
        layoutKnown = true;
    }

    QString orderClause() const
    {
        QStringList terms = orderTerms;
        terms.append(rowKey);
        return QStringLiteral(" ORDER BY ") + terms.join(QStringLiteral(", "));
    }

    // The master's key the rows must carry, or nothing when the master offers no row.
    std::optional<QVariant> masterKey() const
    {
        if (!master || !master->isOpen() || master->isEmpty())
            return std::nullopt;
        const int index = master->fieldIndex(masterField);
        if (index < 0)
            throw DbError::columnMissing(master->tableName(), masterField);
        const QVariant key = master->fieldValue(index);
        if (key.isNull())
            return std::nullopt;
        return key;
    }

    bool isDetail() const { return !detailColumn.isEmpty(); }

    void forget(const TableCursor *detail)
    {
        details.removeIf([detail](const QPointer<TableCursor> &p) { return p.isNull() || p.data() == detail; });
    }

    std::optional<Stamp> stamp() const
    {
        return engine().stamp(connection->otherRowChanges(), connection->rowChangesOf(table));
    }

    // A stamp can be relied on only outside a transaction: a rollback undoes changes without
    // moving any of its counters back.
    std::optional<Stamp> stampOutsideTransaction() const
    {
        if (isDetail() || engine().inTransaction())
            return std::nullopt;
        return stamp();
    }

    // The rows are still those a fresh read would give.
    bool rowsCurrent() const { return rowsStamp && rowsStamp == stamp(); }

    // Runs a statement that changes one row, in a transaction. Returns the stamp after it when the
    // rows matched the file before, that row alone changed and no outer transaction can undo it:
    // the caller's own update of the rows then keeps them matching. Only rows in rowid order are
    // updated that surely.
    std::optional<Stamp> changeRow(const std::function<void()> &statement)
    {
        const bool tracked = rowsStamp && orderTerms.isEmpty() && !engine().inTransaction();
        std::optional<Stamp> after;
        connection->inTransaction([&] {
            after.reset();
            const bool matched = tracked && rowsStamp == stamp();
            const qint64 changesBefore = engine().totalChanges();
            statement();
            // A trigger's changes would go uncounted per table: then every cursor reads again.
            if (changesBefore < 0 || engine().totalChanges() != changesBefore + 1)
                return;
            connection->noteRowChanged(table);
            if (matched)
                after = stamp();
        });
        return after;
    }

    void dropCaches()
    {
        rowCache.clear();
        lookupCache.clear();
    }

    // A read that fails (the file busy, the table gone) leaves the rows as they were, so a
    // failed re-read never takes the current row away.
    void loadRows()
    {
        // Taken before reading: a commit in between makes the stamp older than the rows, which
        // costs one needless re-read later, never a missed change.
        const std::optional<Stamp> stampBefore = stampOutsideTransaction();
        std::optional<QVariant> key;
        if (isDetail())
            key = masterKey();
        QList<qint64> fresh;
        if (key || !isDetail()) {
            QString sql = QStringLiteral("SELECT ") + rowKey + QStringLiteral(" FROM ") + relation;
            if (key)
                sql += QStringLiteral(" WHERE ") + sql::quotedName(detailColumn) + QStringLiteral(" = ?");
            sql += orderClause();
            const auto st = engine().query(sql, key ? QVariantList{*key} : QVariantList{});
            while (st->next())
                fresh.append(st->int64(0));
        }
        rows = std::move(fresh);
        positionsValid = false;
        dropCaches();
        rowsStamp = stampBefore;
    }

    int indexOfRow(qint64 rowid) const
    {
        if (orderTerms.isEmpty()) {
            // Rows in rowid order: no map needed.
            const auto it = std::lower_bound(rows.cbegin(), rows.cend(), rowid);
            return (it != rows.cend() && *it == rowid) ? int(it - rows.cbegin()) : -1;
        }
        if (!positionsValid) {
            positionOf.clear();
            positionOf.reserve(rows.size());
            for (int i = 0; i < rows.size(); ++i)
                positionOf.insert(rows.at(i), i);
            positionsValid = true;
        }
        return positionOf.value(rowid, -1);
    }

    // Reads the values of rows into the cache; a row that another program deleted since the
    // snapshot reads as empty.
    void read(const QList<qint64> &ids) const
    {
        if (rowCache.size() + ids.size() > rowCacheLimit)
            rowCache.clear();
        QVariantList empty;
        empty.resize(fetchColumns.size());
        for (const qint64 id : ids)
            rowCache.insert(id, empty);
        if (fetchSql.isEmpty() || ids.isEmpty())
            return;
        QVariantList binds;
        binds.reserve(ids.size());
        for (const qint64 id : ids)
            binds.append(id);
        const auto st =
            engine().query(fetchSql + QStringList(ids.size(), QStringLiteral("?")).join(u',') + u')', binds);
        while (st->next()) {
            QVariantList values;
            values.reserve(fetchColumns.size());
            for (int i = 0; i < fetchColumns.size(); ++i)
                values.append(st->value(i + 1));
            rowCache.insert(st->int64(0), values);
        }
    }

    QVariantList fetch(qint64 rowid) const
    {
        if (!rowCache.contains(rowid))
            read({rowid});
        return rowCache.value(rowid);
    }

    // The values of the row at a position. Rows are read in blocks: walking a table or painting a
    // grid then costs one statement per block rather than one per row.
    QVariantList fetchAt(int row) const
    {
        const qint64 rowid = rows.at(row);
        if (!rowCache.contains(rowid)) {
            QList<qint64> ids;
            for (int r = row; r < rows.size() && ids.size() < readBlock; ++r) {
                if (!rowCache.contains(rows.at(r)))
                    ids.append(rows.at(r));
            }
            read(ids);
        }
        return rowCache.value(rowid);
    }

    QVariant lookupValue(int lookup, const QVariant &key) const
    {
        if (key.isNull())
            return {};
        const QString ck = cacheKey(key);
        const auto cached = lookupCache.constFind(ck);
        if (cached != lookupCache.cend())
            return *cached;
        const LookupField &l = lookups.at(lookup);
        const auto st = engine().query(lookupSql.at(lookup), {key});
        QVariant result;
        if (st->next() && !st->isNull(0))
            result = cutToWidth(displayText(st->value(0)), l.size);
        if (lookupCache.size() >= rowCacheLimit)
            lookupCache.clear();
        lookupCache.insert(ck, result);
        return result;
    }

    // The value of a field in a row's fetched values.
    QVariant valueIn(const QVariantList &values, int index) const
    {
        const FieldDef &f = fields.at(index);
        if (f.lookup >= 0)
            return lookupValue(f.lookup, values.value(lookupKeyFetch.at(f.lookup)));
        return values.value(f.fetch);
    }

    // The pending row as fetched values, so lookups follow what was set.
    QVariantList pendingValues() const
    {
        QVariantList values;
        values.resize(fetchColumns.size());
        if (state == CursorState::Edit)
            values = fetch(editRowid);
        for (int i = 0; i < fields.size(); ++i) {
            if (fields.at(i).fetch >= 0)
                values[fields.at(i).fetch] = pending.at(i);
        }
        return values;
    }

    void checkField(int index) const
    {
        if (index < 0 || index >= fields.size())
            throw DbError(QStringLiteral("В таблице «%1» нет поля с номером %2.").arg(table).arg(index));
    }

    void startPending(CursorState newState)
    {
        pending.clear();
        pending.resize(fields.size());
        modified = QList<bool>(fields.size(), false);
        anySet = false;
        if (newState == CursorState::Edit) {
            editRowid = rows.at(pos);
            const QVariantList values = fetch(editRowid);
            for (int i = 0; i < fields.size(); ++i) {
                if (fields.at(i).fetch >= 0)
                    pending[i] = values.value(fields.at(i).fetch);
            }
        } else if (isDetail()) {
            // A new detail row belongs to the master's current row unless the program says otherwise.
            const std::optional<QVariant> key = masterKey();
            for (int i = 0; key && i < fields.size(); ++i) {
                if (fields.at(i).column.compare(detailColumn, Qt::CaseInsensitive) == 0) {
                    pending[i] = *key;
                    modified[i] = true;
                }
            }
        }
        state = newState;
    }

    void dropPending()
    {
        pending.clear();
        modified.clear();
        anySet = false;
        if (open)
            state = CursorState::Browse;
    }

    // A move in edit or insert state first posts the pending row if a field was set, else
    // cancels it.
    void settle()
    {
        if (state != CursorState::Edit && state != CursorState::Insert)
            return;
        if (anySet)
            q->post();
        else
            dropPending();
    }

    QVariant converted(int index, const QVariant &value) const
    {
        const FieldDef &f = fields.at(index);
        if (value.isNull())
            return {};
        switch (f.affinity) {
        case Affinity::Integer: {
            if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray) {
                const QString text = value.toString();
                if (text.isEmpty())
                    return {};
                int number = 0;
                if (!toInt(text, number))
                    throw DbError::notInteger(text);
                return QVariant(qlonglong(number));
            }
            return value;
        }
        case Affinity::Text:
            return QVariant(cutToWidth(displayText(value), f.size));
        default:
            if (value.typeId() == QMetaType::QString)
                return QVariant(cutToWidth(value.toString(), f.size));
            return value;
        }
    }

    // Where a newly stored row stands among the rows: the cursor's order, ties by rowid.
    // -1 when only a re-read can tell.
    int placeOf(qint64 rowid) const
    {
        if (orderTerms.isEmpty())
            return int(std::lower_bound(rows.cbegin(), rows.cend(), rowid) - rows.cbegin());
        if (!engine().comparesRows())
            return -1;
        // A descending index is rare enough to re-read.
        for (const QString &term : orderTerms) {
            if (term.endsWith(QStringLiteral(" DESC")))
                return -1;
        }
        // Binary search comparing with SQLite's own collations and type order, rather than
        // re-implementing them.
        const QString probe = QStringLiteral("SELECT ") + orderTerms.join(QStringLiteral(", ")) + QStringLiteral(", ") +
                              rowKey + QStringLiteral(" FROM ") + relation + QStringLiteral(" WHERE ") + rowKey +
                              QStringLiteral(" = ");
        const QString sql =
            QStringLiteral("SELECT (") + probe + QStringLiteral("?1) < (") + probe + QStringLiteral("?2)");
        int lo = 0;
        int hi = int(rows.size());
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            const auto st = engine().query(sql, {rows.at(mid), rowid});
            const bool before = st->next() && st->int64(0) == 1;
            if (before)
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    }

    void announce(bool rowsChanged)
    {
        const QList<QPointer<TableCursor>> followers = details;
        for (const QPointer<TableCursor> &detail : followers) {
            if (detail)
                detail->d->followMaster(false);
        }
        if (quiet)
            return;
        if (rowsChanged)
            Q_EMIT q->rowsReset();
        Q_EMIT q->recordChanged();
    }

    // The master moved (or opened, closed, re-read): hold the rows of its current row.
    void followMaster(bool masterClosing)
    {
        if (!open)
            return;
        if (masterClosing)
            dropPending();
        else
            settle();
        const auto empty = [this] {
            rows.clear();
            positionsValid = false;
            rowCache.clear();
            rowsStamp.reset();
        };
        if (masterClosing) {
            empty();
        } else {
            try {
                loadRows();
            } catch (...) {
                // The rows held are the previous master row's: none is better than those.
                empty();
                pos = -1;
                eof = true;
                bof = true;
                throw;
            }
        }
        pos = rows.isEmpty() ? -1 : 0;
        eof = rows.isEmpty();
        bof = true;
        announce(true);
    }

    void moveTo(int row)
    {
        pos = row;
        eof = false;
        bof = false;
        announce(false);
    }
};

// --- Field ------------------------------------------------------------------------------------

QString Field::name() const
{
    return m_cursor->fieldName(m_index);
}

int Field::size() const
{
    return m_cursor->fieldSize(m_index);
}

bool Field::isLookup() const
{
    return m_cursor->fieldIsLookup(m_index);
}

QVariant Field::value() const
{
    return m_cursor->fieldValue(m_index);
}

bool Field::isNull() const
{
    return value().isNull();
}

QString Field::asString() const
{
    return displayText(value());
}

int Field::asInteger() const
{
    const QVariant v = value();
    if (v.isNull())
        return 0;
    int number = 0;
    if (!toInt(v, number))
        throw DbError::notInteger(displayText(v));
    return number;
}

void Field::setValue(const QVariant &value)
{
    m_cursor->setFieldValue(m_index, value);
}

void Field::setAsString(const QString &text)
{
    m_cursor->setFieldValue(m_index, QVariant(text));
}

void Field::setAsInteger(int value)
{
    m_cursor->setFieldValue(m_index, QVariant(qlonglong(value)));
}

// --- TableCursor ------------------------------------------------------------------------------

TableCursor::TableCursor(Connection *connection, const QString &tableName, QObject *parent)
    : QObject(parent), d(std::make_unique<Impl>())
{
    d->q = this;
    d->connection = connection;
    d->table = tableName;
    // Closing the connection closes its cursors first, so no statement outlives it.
    if (connection)
        connect(connection, &Connection::aboutToClose, this, &TableCursor::close);
}

TableCursor::~TableCursor()
{
    d->quiet = true;
    close();
    if (d->master)
        d->master->d->forget(this);
}

Connection *TableCursor::connection() const
{
    return d->connection;
}

QString TableCursor::tableName() const
{
    return d->table;
}

void TableCursor::setIndexName(const QString &indexName)
{
    d->indexName = indexName;
    d->layoutKnown = false;
}

void TableCursor::setOrderBy(const QString &columns)
{
    d->orderBy.clear();
    for (const QString &name : QString(columns).replace(u';', u',').split(u',', Qt::SkipEmptyParts)) {
        if (!name.trimmed().isEmpty())
            d->orderBy.append(name.trimmed());
    }
    d->layoutKnown = false;
}

void TableCursor::setDeclaredFields(const QStringList &names)
{
    d->declared = names;
    d->layoutKnown = false;
    if (!d->open)
        d->layoutFromDeclarations();
}

void TableCursor::addLookupField(const LookupField &lookup)
{
    d->lookups.append(lookup);
    d->layoutKnown = false;
    if (!d->open)
        d->layoutFromDeclarations();
}

void TableCursor::setMasterLink(TableCursor *master, const QString &masterField, const QString &detailField)
{
    if (d->master)
        d->master->d->forget(this);
    d->master = master;
    d->masterField = masterField;
    d->detailField = master ? detailField : QString();
    d->layoutKnown = false;
    if (master)
        master->d->details.append(QPointer<TableCursor>(this));
}

void TableCursor::open()
{
    if (d->open)
        return;
    if (!d->connection)
        throw DbError::cursorClosed(d->table);
    d->connection->open();
    try {
        if (!d->layoutKnown)
            d->readLayout();
        d->loadRows();
    } catch (...) {
        d->layoutKnown = false;
        d->layoutFromDeclarations();
        throw;
    }
    d->open = true;
    d->state = CursorState::Browse;
    d->pos = d->rows.isEmpty() ? -1 : 0;
    d->eof = d->rows.isEmpty();
    d->bof = true;
    Q_EMIT activeChanged(true);
    d->announce(true);
}

void TableCursor::close()
{
    if (!d->open)
        return;
    d->dropPending();
    d->open = false;
    d->state = CursorState::Inactive;
    d->rows.clear();
    d->positionsValid = false;
    d->dropCaches();
    d->rowsStamp.reset();
    d->pos = -1;
    d->eof = true;
    d->bof = true;
    // The table's columns are read again at the next open: the file may have changed.
    d->layoutKnown = false;
    const QList<QPointer<TableCursor>> followers = d->details;
    for (const QPointer<TableCursor> &detail : followers) {
        if (detail)
            detail->d->followMaster(true);
    }
    if (d->quiet)
        return;
    Q_EMIT activeChanged(false);
    Q_EMIT rowsReset();
}

void TableCursor::setActive(bool active)
{
    if (active)
        open();
    else
        close();
}

bool TableCursor::isOpen() const
{
    return d->open;
}

void TableCursor::first()
{
    d->requireOpen();
    d->settle();
    d->pos = d->rows.isEmpty() ? -1 : 0;
    d->eof = d->rows.isEmpty();
    d->bof = true;
    d->announce(false);
}

void TableCursor::next()
{
    d->requireOpen();
    d->settle();
    if (d->pos + 1 < d->rows.size()) {
        d->moveTo(d->pos + 1);
        return;
    }
    // The last row stays current.
    d->eof = true;
}

void TableCursor::prior()
{
    d->requireOpen();
    d->settle();
    if (d->pos > 0) {
        d->moveTo(d->pos - 1);
        return;
    }
    d->bof = true;
}

void TableCursor::last()
{
    d->requireOpen();
    d->settle();
    if (d->rows.isEmpty()) {
        d->eof = true;
        return;
    }
    d->moveTo(int(d->rows.size()) - 1);
}

void TableCursor::setRecNo(int row)
{
    d->requireOpen();
    d->settle();
    if (d->rows.isEmpty())
        return;
    d->moveTo(std::clamp(row, 0, int(d->rows.size()) - 1));
}

int TableCursor::recNo() const
{
    return d->open ? d->pos : -1;
}

bool TableCursor::eof() const
{
    return !d->open || d->eof;
}

bool TableCursor::bof() const
{
    return !d->open || d->bof;
}

bool TableCursor::isEmpty() const
{
    return !d->open || d->rows.isEmpty();
}

int TableCursor::recordCount() const
{
    d->requireOpen();
    return int(d->rows.size());
}

bool TableCursor::locate(const QString &keyFields, const QVariantList &values, LocateOptions options)
{
    d->requireOpen();
    d->settle();
    QList<int> keys;
    for (const QString &part : keyFields.split(u';')) {
        const QString name = part.trimmed();
        if (name.isEmpty())
            continue;
        const int index = fieldIndex(name);
        if (index < 0 || d->fields.at(index).column.isEmpty())
            throw DbError::columnMissing(d->table, name);
        keys.append(index);
    }
    if (keys.isEmpty() || keys.size() != values.size())
        throw DbError(QStringLiteral("Поиск в таблице «%1»: число значений (%2) не совпадает с числом полей «%3».")
                          .arg(d->table)
                          .arg(values.size())
                          .arg(keyFields));
    if (d->rows.isEmpty())
        return false;

    // where and scanWhere differ only in the ranges of partial keys: scanWhere keeps SQLite from
    // taking the column's index for them, so that it walks the rows in cursor order.
    QStringList where;
    QStringList scanWhere;
    QVariantList binds;
    const auto add = [&](const QString &term, const QString &scanTerm) {
        where.append(term);
        scanWhere.append(scanTerm);
    };
    if (d->isDetail()) {
        const std::optional<QVariant> key = d->masterKey();
        if (!key)
            return false;
        add(sql::quotedName(d->detailColumn) + QStringLiteral(" = ?"),
            sql::quotedName(d->detailColumn) + QStringLiteral(" = ?"));
        binds.append(*key);
    }
    const bool partial = options.testFlag(LocateOption::PartialKey);
    const bool folded = options.testFlag(LocateOption::CaseInsensitive);
    const int flags = (folded ? 1 : 0) | (partial ? 2 : 0);
    bool ranged = false;
    for (int i = 0; i < keys.size(); ++i) {
        const FieldDef &f = d->fields.at(keys.at(i));
        const QString column = sql::quotedName(f.column);
        const QVariant &value = values.at(i);
        if (value.isNull() && !partial) {
            add(column + QStringLiteral(" IS NULL"), column + QStringLiteral(" IS NULL"));
        } else if (flags == 0) {
            add(column + QStringLiteral(" = ?"), column + QStringLiteral(" = ?"));
            binds.append(value);
        } else {
            const QString text = displayText(value);
            if (partial && !folded && !text.isEmpty() && f.affinity == Affinity::Text) {
                // Every text that begins with the key lies in [key, key + U+10FFFF): a range an index
                // can serve. The match below keeps the exact meaning.
                const QString unindexed = d->engine().unindexed(column);
                add(column + QStringLiteral(" >= ? AND ") + column + QStringLiteral(" < ?"),
                    unindexed + QStringLiteral(" >= ? AND ") + unindexed + QStringLiteral(" < ?"));
                binds.append(text);
                binds.append(text + QChar(0xDBFF) + QChar(0xDFFF));
                ranged = true;
            }
            const QString match = d->engine().matchCondition(column, flags);
            add(match, match);
            binds.append(text);
        }
    }
    const QString from =
        QStringLiteral("SELECT ") + d->rowKey + QStringLiteral(" FROM ") + d->relation + QStringLiteral(" WHERE ");
    const auto query = [&](const QString &sql) { return d->engine().query(sql, binds); };

    if (ranged) {
        // Few texts with this beginning: the index finds them all, and the first in cursor order
        // wins. Many: walking the rows in order meets one soon.
        constexpr int few = 64;
        const auto st = query(from + where.join(QStringLiteral(" AND ")) + QStringLiteral(" LIMIT %1").arg(few + 1));
        QList<qint64> matches;
        while (st->next())
            matches.append(st->int64(0));
        if (matches.size() <= few) {
            int best = -1;
            for (const qint64 rowid : std::as_const(matches)) {
                const int row = d->indexOfRow(rowid);
                if (row >= 0 && (best < 0 || row < best))
                    best = row;
            }
            if (best < 0)
                return false;
            d->moveTo(best);
            return true;
        }
    }

    // The first match is nearly always in the snapshot; only rows stored by others since the
    // last re-read need the longer walk.
    const QString sql = from + scanWhere.join(QStringLiteral(" AND ")) + d->orderClause();
    for (const bool limited : {true, false}) {
        const auto st = query(limited ? sql + QStringLiteral(" LIMIT 1") : sql);
        bool any = false;
        while (st->next()) {
            any = true;
            const int row = d->indexOfRow(st->int64(0));
            if (row >= 0) {
                d->moveTo(row);
                return true;
            }
        }
        if (!any)
            return false;
    }
    return false;
}

bool TableCursor::locate(const QString &keyField, const QVariant &value, LocateOptions options)
{
    return locate(keyField, QVariantList{value}, options);
}

Field TableCursor::fieldByName(const QString &name)
{
    const int index = fieldIndex(name);
    if (index < 0) {
        if (!d->open && d->fields.isEmpty())
            throw DbError::cursorClosed(d->table);
        throw DbError::columnMissing(d->table, name);
    }
    return Field(this, index);
}

Field TableCursor::field(int position)
{
    if (!d->open && d->fields.isEmpty())
        throw DbError::cursorClosed(d->table);
    d->checkField(position);
    return Field(this, position);
}

int TableCursor::fieldCount() const
{
    return int(d->fields.size());
}

QStringList TableCursor::fieldNames() const
{
    QStringList names;
    for (const FieldDef &f : std::as_const(d->fields))
        names.append(f.name);
    return names;
}

int TableCursor::fieldIndex(const QString &name) const
{
    for (int i = 0; i < d->fields.size(); ++i) {
        if (d->fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    for (int i = 0; i < d->fields.size(); ++i) {
        if (!d->fields.at(i).column.isEmpty() && d->fields.at(i).column.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QVariant TableCursor::valueAt(int row, int fieldIndex) const
{
    d->requireOpen();
    d->checkField(fieldIndex);
    if (row < 0 || row >= d->rows.size())
        return {};
    if (row == d->pos && (d->state == CursorState::Edit || d->state == CursorState::Insert))
        return d->valueIn(d->pendingValues(), fieldIndex);
    return d->valueIn(d->fetchAt(row), fieldIndex);
}

void TableCursor::edit()
{
    d->requireOpen();
    if (d->state == CursorState::Edit || d->state == CursorState::Insert)
        return;
    if (d->rows.isEmpty() || d->pos < 0) {
        insert();
        return;
    }
    d->startPending(CursorState::Edit);
}

void TableCursor::insert()
{
    d->requireOpen();
    d->settle();
    d->startPending(CursorState::Insert);
}

void TableCursor::append()
{
    insert();
}

void TableCursor::post()
{
    d->requireOpen();
    if (d->state != CursorState::Edit && d->state != CursorState::Insert)
        return;

    QStringList columns;
    QVariantList values;
    for (int i = 0; i < d->fields.size(); ++i) {
        if (d->modified.at(i) && !d->fields.at(i).column.isEmpty()) {
            columns.append(sql::quotedName(d->fields.at(i).column));
            values.append(d->pending.at(i));
        }
    }
    Backend &engine = d->engine();

    if (d->state == CursorState::Insert) {
        QString sql = QStringLiteral("INSERT INTO ") + d->relation;
        if (columns.isEmpty()) {
            sql += QStringLiteral(" DEFAULT VALUES");
        } else {
            sql += QStringLiteral(" (") + columns.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                   QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", ")) + u')';
        }
        qint64 rowid = 0;
        const std::optional<Stamp> after = d->changeRow([&] { rowid = engine.insert(sql, values, d->keyName); });
        d->dropPending();
        d->rowCache.remove(rowid);
        const int at = d->placeOf(rowid);
        if (at < 0) {
            d->loadRows();
            d->pos = d->indexOfRow(rowid);
        } else {
            d->rows.insert(at, rowid);
            d->positionsValid = false;
            d->pos = at;
            d->rowsStamp = after;
        }
        d->eof = false;
        d->bof = false;
        d->announce(true);
        return;
    }

    if (!columns.isEmpty()) {
        QStringList sets;
        for (const QString &c : std::as_const(columns))
            sets.append(c + QStringLiteral(" = ?"));
        const QString sql = QStringLiteral("UPDATE ") + d->relation + QStringLiteral(" SET ") +
                            sets.join(QStringLiteral(", ")) + QStringLiteral(" WHERE ") + d->rowKey +
                            QStringLiteral(" = ?");
        const qint64 rowid = d->editRowid;
        // The rows stay as they are: in rowid order an update moves no row.
        d->rowsStamp = d->changeRow([&] {
            QVariantList binds = values;
            binds.append(rowid);
            if (engine.execute(sql, binds) == 0)
                throw DbError(
                    QStringLiteral("Запись таблицы «%1» не найдена: её удалила другая программа.").arg(d->table));
        });
        d->rowCache.remove(rowid);
        d->lookupCache.clear();
    }
    d->dropPending();
    d->announce(false);
}

void TableCursor::cancel()
{
    if (d->state == CursorState::Edit || d->state == CursorState::Insert)
        d->dropPending();
}

void TableCursor::refresh()
{
    d->requireOpen();
    d->settle();
    const qint64 current = d->pos >= 0 ? d->rows.at(d->pos) : 0;
    const int oldPos = d->pos;
    // A large table is read again only when it changed since.
    if (d->rowsCurrent())
        d->dropCaches();
    else
        d->loadRows();
    int row = oldPos >= 0 ? d->indexOfRow(current) : -1;
    if (row < 0 && !d->rows.isEmpty())
        row = std::clamp(oldPos, 0, int(d->rows.size()) - 1);
    d->pos = row;
    d->eof = d->rows.isEmpty();
    d->bof = row <= 0;
    d->announce(true);
}

void TableCursor::dropCachedValues()
{
    d->dropCaches();
}

CursorState TableCursor::state() const
{
    return d->state;
}

QVariant TableCursor::fieldValue(int index) const
{
    d->requireOpen();
    d->checkField(index);
    if (d->state == CursorState::Edit || d->state == CursorState::Insert) {
        if (d->fields.at(index).lookup < 0)
            return d->pending.at(index);
        return d->valueIn(d->pendingValues(), index);
    }
    if (d->pos < 0)
        return {};
    return d->valueIn(d->fetchAt(d->pos), index);
}

void TableCursor::setFieldValue(int index, const QVariant &value)
{
    d->requireOpen();
    d->checkField(index);
    if (d->state != CursorState::Edit && d->state != CursorState::Insert)
        throw DbError::notEditing(d->table);
    if (d->fields.at(index).lookup >= 0)
        throw DbError(
            QStringLiteral("Поле «%1» таблицы «%2» только для чтения.").arg(d->fields.at(index).name, d->table));
    d->pending[index] = d->converted(index, value);
    d->modified[index] = true;
    d->anySet = true;
}

int TableCursor::fieldSize(int index) const
{
    d->checkField(index);
    return d->fields.at(index).size;
}

bool TableCursor::fieldIsLookup(int index) const
{
    d->checkField(index);
    return d->fields.at(index).lookup >= 0;
}

QString TableCursor::fieldName(int index) const
{
    d->checkField(index);
    return d->fields.at(index).name;
}
