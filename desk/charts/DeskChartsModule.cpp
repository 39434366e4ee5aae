// The desk's charts and printing (see DeskCharts.h), built as a module of their own.

#include "desk/DeskCharts.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QValueAxis>

#include <algorithm>

namespace {

QWidget *newChart(QWidget *parent)
{
    auto *view = new QChartView(parent);
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

void showGrades(QWidget *chartView, const GradeChartData &data)
{
    auto *view = qobject_cast<QChartView *>(chartView);
    if (!view)
        return;
    auto *series = new QBarSeries;
    const QColor colours[] = {QColor(0xd9, 0x53, 0x4f), QColor(0xf0, 0xad, 0x4e), QColor(0x5b, 0xc0, 0xde),
                              QColor(0x5c, 0xb8, 0x5c)};
    int most = 0;
    for (int grade = 2; grade <= 5; ++grade) {
        auto *set = new QBarSet(QStringLiteral("«%1»").arg(grade));
        set->setColor(colours[grade - 2]);
        for (const auto &chapter : data.counts) {
            *set << chapter[grade - 2];
            most = std::max(most, chapter[grade - 2]);
        }
        series->append(set);
    }
    auto *chart = new QChart;
    chart->addSeries(series);
    chart->setTitle(data.title);
    auto *categories = new QBarCategoryAxis;
    categories->append(data.chapters);
    chart->addAxis(categories, Qt::AlignBottom);
    series->attachAxis(categories);
    auto *students = new QValueAxis;
    students->setRange(0, std::max(1, most));
    students->setLabelFormat(QStringLiteral("%d"));
    // Whole students on every tick.
    if (most <= 10)
        students->setTickCount(std::max(most, 1) + 1);
    else
        students->applyNiceNumbers();
    chart->addAxis(students, Qt::AlignLeft);
    series->attachAxis(students);
    chart->legend()->setAlignment(Qt::AlignRight);
    QChart *old = view->chart();
    view->setChart(chart);
    // The view owned its first, empty chart; those set later are its caller's.
    delete old;
}

void previewPrint(QWidget *parent, const QString &title, const QString &documentName,
                  const std::function<void(QPagedPaintDevice *)> &paint)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(documentName);
    QPrintPreviewDialog preview(&printer, parent);
    preview.setWindowTitle(title);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&paint](QPrinter *target) { paint(target); });
    preview.exec();
}

const DeskCharts functions{newChart, showGrades, previewPrint};

} // namespace

extern "C" Q_DECL_EXPORT const DeskCharts *velanika_desk_charts()
{
    return &functions;
}
