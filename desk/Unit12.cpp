// Unit12: the teacher's desk (TForm12, "Кабинет преподавателя").

// The form before the header that declares the global Form12: its set-up takes the window under
// that name.
#include "desk/ui_Unit12.h"

#include "desk/Unit12.h"

#include "data/CourseSettings.h"
#include "data/DbError.h"
#include "data/GradeSheet.h"
#include "data/ServerSettings.h"
#include "data/TeacherPassword.h"
#include "desk/SheetExport.h"
#include "desk/SheetModel.h"
#include "desk/Unit13.h"
#include "platform/FormFonts.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramPaths.h"
#include "platform/Widgets.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QValueAxis>

TForm12 *Form12 = nullptr;

namespace {

const QString everyone = QStringLiteral("(все)");

} // namespace

TForm12::TForm12(QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm12>()), m_sheet(new SheetModel(this)),
      m_filter(new SheetFilter(this)), m_questions(new QStandardItemModel(this))
{
    m_ui->setupUi(this);
    platform::applyPixelFonts(this);
    PageControl1 = m_ui->PageControl1;
    ComboBox1 = m_ui->ComboBox1;
    ComboBox2 = m_ui->ComboBox2;
    ButtonCsv = m_ui->ButtonCsv;
    ButtonPdf = m_ui->ButtonPdf;
    SheetGrid = m_ui->SheetGrid;
    SheetChart = m_ui->SheetChart;
    Label3 = m_ui->Label3;
    ComboBox3 = m_ui->ComboBox3;
    Label5 = m_ui->Label5;
    QuestionGrid = m_ui->QuestionGrid;
    SpinMinutes = m_ui->SpinMinutes;
    SpinFine = m_ui->SpinFine;
    SpinGood = m_ui->SpinGood;
    SpinBad = m_ui->SpinBad;
    ButtonSave = m_ui->ButtonSave;

    m_filter->setSourceModel(m_sheet);
    SheetGrid->setModel(m_filter);
    SheetGrid->sortByColumn(SheetModel::NameColumn, Qt::AscendingOrder);
    SheetGrid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    QuestionGrid->setModel(m_questions);
    QuestionGrid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    SheetChart->setRenderHint(QPainter::Antialiasing);
    connectHandlers();
}

TForm12::~TForm12() = default;

void TForm12::connectHandlers()
{
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TForm12::ComboBoxFilterChange);
    connect(ComboBox2, &QComboBox::currentIndexChanged, this, &TForm12::ComboBoxFilterChange);
    connect(ComboBox3, &QComboBox::currentIndexChanged, this, &TForm12::ComboBox3Change);
    connect(ButtonSave, &QPushButton::clicked, this, &TForm12::ButtonSaveClick);
    connect(ButtonCsv, &QPushButton::clicked, this, &TForm12::ButtonCsvClick);
    connect(ButtonPdf, &QPushButton::clicked, this, &TForm12::ButtonPdfClick);
}

bool TForm12::passwordIsRight(const QString &password)
{
    return checkTeacherPassword(m_db, password);
}

void TForm12::askPassword(QWidget *over)
{
    try {
        pointAtDatabase(m_db, platform::dataFolder());
        if (!hasTeacherPassword(m_db)) {
            platform::informationBox(QStringLiteral("Пароль преподавателя не задан. Его задают в папке данных "
                                                    "командой:\n\nvelanika --set-teacher-password"));
            return;
        }
    } catch (const DbError &e) {
        platform::errorBox(e.message());
        return;
    }
    if (!m_password) {
        m_password = new TForm13([this](const QString &password) { return passwordIsRight(password); }, this);
        m_password->setWindowModality(Qt::ApplicationModal);
        connect(m_password, &QDialog::accepted, this, [this] {
            refresh();
            platform::centreOnScreen(this);
            shell::bringToFront(this);
        });
    }
    if (over)
        m_password->move(over->geometry().center() - m_password->rect().center());
    m_password->open();
}

void TForm12::refresh()
{
    try {
        const QString course = ComboBox1->currentText();
        const QString specialty = ComboBox2->currentText();
        m_sheet->setSheet(readGradeSheet(m_db));
        fillFilter(ComboBox1, SheetModel::CourseColumn);
        fillFilter(ComboBox2, SheetModel::SpecialtyColumn);
        ComboBox1->setCurrentIndex(std::max(0, ComboBox1->findText(course)));
        ComboBox2->setCurrentIndex(std::max(0, ComboBox2->findText(specialty)));
        ComboBoxFilterChange();
        SheetGrid->resizeColumnsToContents();

        const int chapter = std::max(0, ComboBox3->currentIndex());
        {
            const QSignalBlocker blocker(ComboBox3);
            ComboBox3->clear();
            for (int n = 1; n <= 6; ++n) {
                const auto &chapters = m_sheet->sheet().chapters;
                ComboBox3->addItem(n <= chapters.size() ? chapters.at(n - 1).caption
                                                        : QStringLiteral("Глава %1").arg(n));
            }
            ComboBox3->setCurrentIndex(chapter);
        }
        ComboBox3Change();

        const GradeRules rules = readSettings(m_db);
        SpinMinutes->setValue(rules.minutes);
        SpinFine->setValue(rules.fine);
        SpinGood->setValue(rules.good);
        SpinBad->setValue(rules.bad);
    } catch (const DbError &e) {
        platform::errorBox(e.message());
    }
}

void TForm12::fillFilter(QComboBox *box, int column)
{
    const QSignalBlocker blocker(box);
    QStringList values;
    for (int row = 0; row < m_sheet->rowCount(); ++row)
        values << m_sheet->index(row, column).data().toString();
    values.removeDuplicates();
    values.sort(Qt::CaseInsensitive);
    box->clear();
    box->addItem(everyone);
    box->addItems(values);
}

void TForm12::ComboBoxFilterChange()
{
    const auto choice = [](QComboBox *box) { return box->currentIndex() > 0 ? box->currentText() : QString(); };
    m_filter->setCourse(choice(ComboBox1));
    m_filter->setSpecialty(choice(ComboBox2));
    Label3->setText(
        QStringLiteral("Студентов в ведомости: %1 из %2").arg(m_filter->rowCount()).arg(m_sheet->rowCount()));
    drawChart();
}

void TForm12::drawChart()
{
    const GradeSheet shown = m_filter->visibleSheet();
    const QList<std::array<int, 4>> counts = gradeCounts(shown);
    auto *series = new QBarSeries;
    const QColor colours[] = {QColor(0xd9, 0x53, 0x4f), QColor(0xf0, 0xad, 0x4e), QColor(0x5b, 0xc0, 0xde),
                              QColor(0x5c, 0xb8, 0x5c)};
    int most = 0;
    for (int grade = 2; grade <= 5; ++grade) {
        auto *set = new QBarSet(QStringLiteral("«%1»").arg(grade));
        set->setColor(colours[grade - 2]);
        for (const auto &chapter : counts) {
            *set << chapter[grade - 2];
            most = std::max(most, chapter[grade - 2]);
        }
        series->append(set);
    }
    auto *chart = new QChart;
    chart->addSeries(series);
    chart->setTitle(QStringLiteral("Оценки по главам"));
    QStringList captions;
    for (const SheetChapter &chapter : shown.chapters)
        captions << chapter.caption;
    auto *categories = new QBarCategoryAxis;
    categories->append(captions);
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
    QChart *old = SheetChart->chart();
    SheetChart->setChart(chart);
    // The view owned its first, empty chart; those set later are its caller's.
    delete old;
}

void TForm12::ComboBox3Change()
{
    const int chapter = ComboBox3->currentIndex() + 1;
    m_questions->clear();
    m_questions->setHorizontalHeaderLabels(
        {QStringLiteral("Вопрос"), QStringLiteral("Верных ответов"), QStringLiteral("Частый неверный ответ")});
    if (chapter < 1)
        return;
    try {
        const QList<QuestionFigures> figures = difficultQuestions(m_db, chapter);
        for (const QuestionFigures &f : figures) {
            auto *share = new QStandardItem(f.tests > 0 ? QStringLiteral("%1 %").arg(f.rightPercent) : QString());
            share->setTextAlignment(Qt::AlignCenter);
            auto *letter = new QStandardItem(f.commonWrong);
            letter->setTextAlignment(Qt::AlignCenter);
            auto *question = new QStandardItem(f.text);
            question->setToolTip(f.text); // a long question is cut in its row
            m_questions->appendRow({question, share, letter});
        }
        Label5->setText(figures.isEmpty() || figures.front().tests == 0
                            ? QStringLiteral("Завершённых тестов по главе нет.")
                            : QStringLiteral("Завершённых тестов по главе: %1").arg(figures.front().tests));
    } catch (const DbError &e) {
        Label5->setText(e.message());
    }
    QuestionGrid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    QuestionGrid->resizeColumnToContents(1);
    QuestionGrid->resizeColumnToContents(2);
}

void TForm12::ButtonSaveClick()
{
    const GradeRules rules{SpinMinutes->value(), SpinFine->value(), SpinGood->value(), SpinBad->value()};
    const QString problem = settingsProblem(rules);
    if (!problem.isEmpty()) {
        platform::errorBox(problem);
        return;
    }
    try {
        saveSettings(m_db, rules);
        platform::informationBox(QStringLiteral("Настройки сохранены. Они действуют для тестов, начатых после этого."));
    } catch (const DbError &e) {
        platform::errorBox(QStringLiteral("Настройки не сохранены.\n\n%1").arg(e.message()));
    }
}

void TForm12::ButtonCsvClick()
{
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить ведомость"),
                                     QDir::home().filePath(sheetFileName(QDate::currentDate(), QStringLiteral("csv"))),
                                     QStringLiteral("Таблица CSV (*.csv)"));
    if (path.isEmpty())
        return;
    const QString problem = writeFile(path, sheetCsv(m_filter->visibleSheet()));
    if (!problem.isEmpty())
        platform::errorBox(problem);
}

void TForm12::ButtonPdfClick()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(sheetFileName(QDate::currentDate(), QStringLiteral("pdf")));
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(QStringLiteral("Ведомость — предварительный просмотр"));
    const GradeSheet shown = m_filter->visibleSheet();
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&shown](QPrinter *target) { printSheet(shown, QDate::currentDate(), target); });
    preview.exec();
}
