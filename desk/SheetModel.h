#pragma once

#include "data/GradeSheet.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

#include <array>

// The grade sheet as a table: name, specialty, course, one column per chapter, attempts, the last
// page and the pages opened. SortRole gives each cell's value to sort by (numbers as numbers, a
// chapter not taken below every grade).
class SheetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int SortRole = Qt::UserRole;
    enum FixedColumn
    {
        NameColumn,
        SpecialtyColumn,
        CourseColumn,
        FirstChapterColumn,
    };

    using QAbstractTableModel::QAbstractTableModel;

    void setSheet(GradeSheet sheet);
    const GradeSheet &sheet() const { return m_sheet; }
    int attemptsColumn() const { return FirstChapterColumn + int(m_sheet.chapters.size()); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    GradeSheet m_sheet;
};

// The sheet's rows of one course and one specialty (an empty choice lets every one through),
// sorted by SheetModel::SortRole.
class SheetFilter : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit SheetFilter(QObject *parent = nullptr);
    void setCourse(const QString &course);
    void setSpecialty(const QString &specialty);
    // The rows let through, in the sheet's order, as a sheet of their own (for export and chart).
    GradeSheet visibleSheet() const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QString m_course;
    QString m_specialty;
};

// How many rows have each grade 2..5 in each chapter: counts[chapter][grade - 2].
QList<std::array<int, 4>> gradeCounts(const GradeSheet &sheet);
