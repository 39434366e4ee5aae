#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

class QPagedPaintDevice;
class QWidget;

// The contract between the teacher's desk and its module (libvelanika_desk.so), which holds
// everything that needs Qt Charts and Qt Print Support. Few users ever open the desk, so those
// libraries (about 1.5 MB resident, and their start-up relocations) are loaded when it opens
// instead of at every start. The module links Qt only: it takes plain data and draws it.

// How many students got each grade, «2» to «5», in each chapter.
struct GradeChartData
{
    QString title;
    QStringList chapters;
    QList<std::array<int, 4>> counts; // one per chapter: grades 2, 3, 4 and 5
};

struct DeskCharts
{
    // An empty chart view, a child of parent.
    QWidget *(*newChart)(QWidget *parent);
    // Shows the grades as bars in a view newChart made.
    void (*showGrades)(QWidget *chart, const GradeChartData &data);
    // The print preview, on A4 landscape; paint draws the document on the printer's pages.
    void (*previewPrint)(QWidget *parent, const QString &title, const QString &documentName,
                         const std::function<void(QPagedPaintDevice *)> &paint);
};

using DeskChartsEntry = const DeskCharts *(*)();

// The module's one entry point.
#define VELANIKA_DESK_CHARTS_ENTRY "velanika_desk_charts"

// The module's functions, loaded on the first call; null when the module is missing or does
// not load.
const DeskCharts *deskCharts();
