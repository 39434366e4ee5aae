#pragma once

#include <QFlags>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <memory>

class Connection;
class TableCursor;

enum class CursorState
{
    Inactive,
    Browse,
    Edit,
    Insert
};

enum class LocateOption
{
    CaseInsensitive = 0x1, // letters folded, Cyrillic included
    PartialKey = 0x2,      // the stored text begins with the value
};
Q_DECLARE_FLAGS(LocateOptions, LocateOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(LocateOptions)

// A column of the current row of a cursor. Cheap to copy; valid while its cursor lives.
class Field
{
public:
    Field(TableCursor *cursor, int index) : m_cursor(cursor), m_index(index) {}

    int index() const { return m_index; }
    QString name() const;
    int size() const; // declared text width, 0 for other columns
    bool isLookup() const;

    QVariant value() const;
    bool isNull() const;
    QString asString() const; // null reads ""
    int asInteger() const;    // null reads 0; other text throws "'%s' is not a valid integer value"

    // Only in edit or insert state. Text longer than the column's width is cut to it.
    void setValue(const QVariant &value);
    void setAsString(const QString &text);
    void setAsInteger(int value);

private:
    TableCursor *m_cursor;
    int m_index;
};

// A column computed on reading from another table, not stored.
struct LookupField
{
    QString name;         // e.g. "GlavaCaption"
    int position = -1;    // where it stands among the fields
    QString keyField;     // this table's column, e.g. "ID_glava"
    QString lookupTable;  // e.g. "Glaves"
    QString lookupKey;    // e.g. "ID_Glava"
    QString lookupResult; // e.g. "Caption"
    int size = 0;         // the result is cut to this many characters (0: not cut)
};

// A table cursor over one table of the connection's file: open flag, current row, state
// browse, edit or insert. Fields count from 0 in the table's column order, with lookup
// fields inserted at their positions. Every post is one transaction.
class TableCursor : public QObject
{
    Q_OBJECT
public:
    TableCursor(Connection *connection, const QString &tableName, QObject *parent = nullptr);
    ~TableCursor() override;

    Connection *connection() const;
    QString tableName() const;

    // Set-up, before open.
    void setIndexName(const QString &indexName); // rows in the order of that index (it must exist)
    void setOrderBy(const QString &columns);     // rows in the order of these columns, e.g. "ID_User"
    // The columns the program relies on; opening checks that the table has them (DbError names
    // the missing one). Without declared fields the cursor takes the table's columns as they are.
    void setDeclaredFields(const QStringList &names);
    void addLookupField(const LookupField &lookup);
    // Detail of master: holds only the rows whose detailField equals masterField of the master's
    // current row, and follows every move of the master. A closed master leaves it empty.
    void setMasterLink(TableCursor *master, const QString &masterField, const QString &detailField);

    // Open makes the first row current; repeating open or close does nothing; close drops a
    // pending row.
    void open();
    void close();
    void setActive(bool active);
    bool isOpen() const;

    // Moves. A pending row is posted first if a field was set, else cancelled.
    void first();
    void next();
    void prior();
    void last();
    void setRecNo(int row); // 0-based
    int recNo() const;      // 0-based; -1 when empty or closed
    bool eof() const;       // true only after next found no further row, or when empty
    bool bof() const;

    bool isEmpty() const;
    int recordCount() const;

    // keyFields: names joined by ';' (blanks ignored), values in that order. Found: that row
    // becomes current and true is returned; else nothing moves.
    bool locate(const QString &keyFields, const QVariantList &values, LocateOptions options = {});
    bool locate(const QString &keyField, const QVariant &value, LocateOptions options = {});

    // Names ignore letter case. A missing name throws DbError.
    Field fieldByName(const QString &name);
    Field field(int position);
    int fieldCount() const;
    QStringList fieldNames() const;
    int fieldIndex(const QString &name) const; // -1 if missing

    // For grids: a value of any row without moving the cursor.
    QVariant valueAt(int row, int fieldIndex) const;

    void edit();   // on an empty cursor acts as insert; while editing, nothing
    void insert(); // new empty row in insert state
    void append();
    void post(); // edit or insert state only; a new row gets its counter value and stays current
    void cancel();
    void refresh(); // re-reads the rows; the current row stays current
    // The rows stay; their values are read again from the database when next asked. For a row
    // changed elsewhere (a server's function) when re-reading every row would cost more.
    void dropCachedValues();
    CursorState state() const;

    // Used by Field.
    QVariant fieldValue(int index) const;
    void setFieldValue(int index, const QVariant &value);
    int fieldSize(int index) const;
    bool fieldIsLookup(int index) const;
    QString fieldName(int index) const;

Q_SIGNALS:
    // After open, first, next, prior, last, setRecNo, a found locate, refresh and post, and when
    // the master moves a detail.
    void recordChanged();
    // The set of rows changed (open, close, refresh, post of a new row, master moved).
    void rowsReset();
    void activeChanged(bool active);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
