#include "desk/SheetModel.h"

void SheetModel::setSheet(GradeSheet sheet)
{
    beginResetModel();
    m_sheet = std::move(sheet);
    endResetModel();
}

int SheetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_sheet.rows.size());
}

int SheetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : attemptsColumn() + 3;
}

QVariant SheetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != SortRole && role != Qt::TextAlignmentRole))
        return {};
    const SheetRow &row = m_sheet.rows.at(index.row());
    const int column = index.column();
    const int chapter = column - FirstChapterColumn;
    const bool number = column >= FirstChapterColumn && column != attemptsColumn() + 1;
    if (role == Qt::TextAlignmentRole)
        return number ? QVariant(Qt::AlignCenter) : QVariant();
    if (column == NameColumn)
        return row.name;
    if (column == SpecialtyColumn)
        return row.specialty;
    if (column == CourseColumn)
        return row.course;
    if (chapter < m_sheet.chapters.size()) {
        const int grade = row.grades.at(chapter);
        if (role == SortRole)
            return grade;
        return grade > 0 ? QVariant(grade) : QVariant(QString());
    }
    if (column == attemptsColumn())
        return row.attempts;
    if (column == attemptsColumn() + 1)
        return row.lastPage;
    if (role == SortRole)
        return row.pagesOpened;
    return QStringLiteral("%1 из %2").arg(row.pagesOpened).arg(coursePages().size());
}

QVariant SheetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    const int chapter = section - FirstChapterColumn;
    switch (section) {
    case NameColumn:
        return QStringLiteral("Фамилия");
    case SpecialtyColumn:
        return QStringLiteral("Специальность");
    case CourseColumn:
        return QStringLiteral("Курс");
    default:
        break;
    }
    if (chapter < m_sheet.chapters.size())
        return m_sheet.chapters.at(chapter).caption;
    if (section == attemptsColumn())
        return QStringLiteral("Попыток");
    if (section == attemptsColumn() + 1)
        return QStringLiteral("Последняя страница");
    return QStringLiteral("Открыто страниц");
}

SheetFilter::SheetFilter(QObject *parent) : QSortFilterProxyModel(parent)
{
    setSortRole(SheetModel::SortRole);
    setSortLocaleAware(true);
}

void SheetFilter::setCourse(const QString &course)
{
    m_course = course;
    invalidateFilter();
}

void SheetFilter::setSpecialty(const QString &specialty)
{
    m_specialty = specialty;
    invalidateFilter();
}

bool SheetFilter::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    const auto *model = static_cast<const SheetModel *>(sourceModel());
    const SheetRow &row = model->sheet().rows.at(sourceRow);
    return (m_course.isEmpty() || row.course == m_course) && (m_specialty.isEmpty() || row.specialty == m_specialty);
}

GradeSheet SheetFilter::visibleSheet() const
{
    const auto *model = static_cast<const SheetModel *>(sourceModel());
    GradeSheet sheet;
    sheet.chapters = model->sheet().chapters;
    for (int row = 0; row < model->rowCount(); ++row) {
        if (filterAcceptsRow(row, {}))
            sheet.rows.append(model->sheet().rows.at(row));
    }
    return sheet;
}

QList<std::array<int, 4>> gradeCounts(const GradeSheet &sheet)
{
    QList<std::array<int, 4>> counts(sheet.chapters.size(), std::array<int, 4>{});
    for (const SheetRow &row : sheet.rows) {
        for (qsizetype chapter = 0; chapter < row.grades.size() && chapter < counts.size(); ++chapter) {
            const int grade = row.grades.at(chapter);
            if (grade >= 2 && grade <= 5)
                ++counts[chapter][grade - 2];
        }
    }
    return counts;
}
