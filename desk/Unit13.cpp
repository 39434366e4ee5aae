// Unit13: the teacher's desk (TForm13, "Кабинет преподавателя").

// The form before the header that declares the global Form13: its set-up takes the window under
// that name.
#include "desk/ui_Unit13.h"

#include "desk/Unit13.h"

#include "data/CourseSettings.h"
#include "data/DbError.h"
#include "data/GradeSheet.h"
#include "data/ServerSettings.h"
#include "data/TeacherPassword.h"
#include "desk/DeskCharts.h"
#include "desk/SheetExport.h"
#include "desk/SheetModel.h"
#include "desk/Unit14.h"
#include "platform/FormFonts.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramPaths.h"
#include "platform/Widgets.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QVBoxLayout>

TForm13 *Form13 = nullptr;

namespace {

const QString everyone = QStringLiteral("(все)");

} // namespace

TForm13::TForm13(QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm13>()), m_sheet(new SheetModel(this)),
      m_filter(new SheetFilter(this)), m_questions(new QStandardItemModel(this)),
      m_preview(new QStandardItemModel(this))
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
    ComboBox4 = m_ui->ComboBox4;
    ButtonOpen = m_ui->ButtonOpen;
    Label12 = m_ui->Label12;
    ButtonExport = m_ui->ButtonExport;
    PreviewGrid = m_ui->PreviewGrid;
    RejectedList = m_ui->RejectedList;
    RadioAppend = m_ui->RadioAppend;
    RadioReplace = m_ui->RadioReplace;
    ButtonImport = m_ui->ButtonImport;

    m_filter->setSourceModel(m_sheet);
    SheetGrid->setModel(m_filter);
    SheetGrid->sortByColumn(SheetModel::NameColumn, Qt::AscendingOrder);
    SheetGrid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    QuestionGrid->setModel(m_questions);
    PreviewGrid->setModel(m_preview);
    PreviewGrid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    QuestionGrid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    auto *chartLayout = new QVBoxLayout(SheetChart);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    if (const DeskCharts *charts = deskCharts())
        m_chart = charts->newChart(SheetChart);
    else
        m_chart = new QLabel(QStringLiteral("Диаграмма недоступна: не найден модуль учительского стола "
                                            "libvelanika_desk.so рядом с программой."),
                             SheetChart);
    chartLayout->addWidget(m_chart);
    connectHandlers();
}

TForm13::~TForm13() = default;

void TForm13::connectHandlers()
{
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TForm13::ComboBoxFilterChange);
    connect(ComboBox2, &QComboBox::currentIndexChanged, this, &TForm13::ComboBoxFilterChange);
    connect(ComboBox3, &QComboBox::currentIndexChanged, this, &TForm13::ComboBox3Change);
    connect(ButtonSave, &QPushButton::clicked, this, &TForm13::ButtonSaveClick);
    connect(ButtonCsv, &QPushButton::clicked, this, &TForm13::ButtonCsvClick);
    connect(ButtonPdf, &QPushButton::clicked, this, &TForm13::ButtonPdfClick);
    connect(ButtonOpen, &QPushButton::clicked, this, &TForm13::ButtonOpenClick);
    connect(ButtonImport, &QPushButton::clicked, this, &TForm13::ButtonImportClick);
    connect(ButtonExport, &QPushButton::clicked, this, &TForm13::ButtonExportClick);
}

bool TForm13::passwordIsRight(const QString &password)
{
    if (m_server.isEmpty())
        return checkTeacherPassword(m_db, password);
    // On a server the teacher signs in as the server's own teacher role: the server checks the
    // password and gives the teacher's rights, which a password kept in a table could not.
    m_db.close();
    m_db.setExpectedSchemaVersion(serverSchemaVersion);
    m_db.setServer(teacherConnectionString(m_server, password));
    try {
        m_db.open();
    } catch (const DbError &e) {
        m_db.close();
        if (e.isLoginRefused())
            return false;
        throw;
    }
    return true;
}

void TForm13::askPassword(QWidget *over)
{
    try {
        const std::optional<ServerSetting> server = configuredServer(platform::dataFolder());
        m_server = server ? server->connectionString : QString();
        if (m_server.isEmpty()) {
            m_db.close();
            pointAtDatabase(m_db, platform::dataFolder());
        }
        if (m_server.isEmpty() && !hasTeacherPassword(m_db)) {
            platform::informationBox(QStringLiteral("Пароль преподавателя не задан. Его задают в папке данных "
                                                    "командой:\n\nvelanika --set-teacher-password"));
            return;
        }
    } catch (const DbError &e) {
        platform::errorBox(e.message());
        return;
    }
    if (!m_password) {
        m_password = new TForm14([this](const QString &password) { return passwordIsRight(password); }, this);
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

void TForm13::refresh()
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

        fillChapters(ComboBox3);
        fillChapters(ComboBox4);
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

void TForm13::fillFilter(QComboBox *box, int column)
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

void TForm13::fillChapters(QComboBox *box)
{
    const QSignalBlocker blocker(box);
    const int chosen = std::max(0, box->currentIndex());
    const auto &chapters = m_sheet->sheet().chapters;
    box->clear();
    // The question tables are Test1..Test6, one per chapter in the order of Glaves.
    for (int n = 1; n <= 6; ++n)
        box->addItem(n <= chapters.size() ? chapters.at(n - 1).caption : QStringLiteral("Глава %1").arg(n));
    box->setCurrentIndex(chosen);
}

void TForm13::ComboBoxFilterChange()
{
    const auto choice = [](QComboBox *box) { return box->currentIndex() > 0 ? box->currentText() : QString(); };
    m_filter->setCourse(choice(ComboBox1));
    m_filter->setSpecialty(choice(ComboBox2));
    Label3->setText(
        QStringLiteral("Студентов в ведомости: %1 из %2").arg(m_filter->rowCount()).arg(m_sheet->rowCount()));
    drawChart();
}

void TForm13::drawChart()
{
    const DeskCharts *charts = deskCharts();
    if (!charts)
        return;
    const GradeSheet shown = m_filter->visibleSheet();
    GradeChartData grades{QStringLiteral("Оценки по главам"), {}, gradeCounts(shown)};
    for (const SheetChapter &chapter : shown.chapters)
        grades.chapters << chapter.caption;
    charts->showGrades(m_chart, grades);
}

void TForm13::ComboBox3Change()
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

void TForm13::ButtonSaveClick()
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

void TForm13::ButtonCsvClick()
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

void TForm13::ButtonPdfClick()
{
    const DeskCharts *charts = deskCharts();
    if (!charts) {
        platform::errorBox(QStringLiteral("Печать недоступна: не найден модуль учительского стола "
                                          "libvelanika_desk.so рядом с программой."));
        return;
    }
    const GradeSheet shown = m_filter->visibleSheet();
    charts->previewPrint(this, QStringLiteral("Ведомость — предварительный просмотр"),
                         sheetFileName(QDate::currentDate(), QStringLiteral("pdf")),
                         [&shown](QPagedPaintDevice *target) { printSheet(shown, QDate::currentDate(), target); });
}

void TForm13::ButtonOpenClick()
{
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Открыть банк вопросов"), QDir::homePath(),
                                     QStringLiteral("Банки вопросов (*.txt *.gift *.csv);;Все файлы (*)"));
    if (!path.isEmpty())
        previewBank(path);
}

void TForm13::previewBank(const QString &path)
{
    m_bank = {};
    m_preview->clear();
    RejectedList->clear();
    ButtonImport->setEnabled(false);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        platform::errorBox(QStringLiteral("Не удалось открыть файл %1:\n%2").arg(path, file.errorString()));
        return;
    }
    const QString text = QString::fromUtf8(file.readAll());
    const BankFormat format = bankFormatOf(path, text);
    m_bank = parseBank(text, format);
    m_preview->setHorizontalHeaderLabels({QStringLiteral("Строка"), QStringLiteral("Вопрос"), QStringLiteral("Ответы"),
                                          QStringLiteral("Верный"), QStringLiteral("Место в курсе")});
    for (const BankQuestion &q : m_bank.questions) {
        QStringList answers;
        for (qsizetype i = 0; i < q.answers.size(); ++i)
            answers << QStringLiteral("%1) %2").arg(QChar(char16_t(u'A' + i))).arg(q.answers.at(i));
        auto *line = new QStandardItem(QString::number(q.line));
        line->setTextAlignment(Qt::AlignCenter);
        auto *right = new QStandardItem(q.right);
        right->setTextAlignment(Qt::AlignCenter);
        auto *question = new QStandardItem(q.text);
        question->setToolTip(q.text);
        auto *all = new QStandardItem(answers.join(QStringLiteral("; ")));
        all->setToolTip(answers.join(u'\n'));
        m_preview->appendRow({line, question, all, right, new QStandardItem(q.place)});
    }
    for (const RejectedLine &r : m_bank.rejected)
        RejectedList->addItem(QStringLiteral("Строка %1: %2").arg(r.line).arg(r.reason));
    const char *const names[] = {"Aiken", "GIFT", "CSV", "учебника"};
    Label12->setText(QStringLiteral("%1 (формат %2): вопросов %3, отклонено %4")
                         .arg(QFileInfo(path).fileName(), QString::fromUtf8(names[int(format)]))
                         .arg(m_bank.questions.size())
                         .arg(m_bank.rejected.size()));
    PreviewGrid->resizeColumnToContents(0);
    PreviewGrid->setColumnWidth(1, PreviewGrid->width() * 2 / 5);
    PreviewGrid->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    PreviewGrid->resizeColumnToContents(3);
    PreviewGrid->resizeColumnToContents(4);
    ButtonImport->setEnabled(!m_bank.questions.isEmpty());
}

void TForm13::ButtonImportClick()
{
    if (m_bank.questions.isEmpty())
        return;
    const int chapter = ComboBox4->currentIndex() + 1;
    const bool replace = RadioReplace->isChecked();
    QString ask = replace ? QStringLiteral("Вопросы главы «%1» будут заменены %2 вопросами из файла.")
                          : QStringLiteral("К вопросам главы «%1» будут добавлены %2 вопросов из файла.");
    ask = ask.arg(ComboBox4->currentText()).arg(m_bank.questions.size());
    if (!m_bank.rejected.isEmpty())
        ask += QStringLiteral("\n\nОтклонённые строки (%1) не будут записаны.").arg(m_bank.rejected.size());
    if (platform::questionBox(ask, QStringLiteral("Записать"), QStringLiteral("Отмена")) != platform::BoxAnswer::Ok)
        return;
    try {
        importBank(m_db, chapter, m_bank.questions, replace);
    } catch (const DbError &e) {
        platform::errorBox(QStringLiteral("Вопросы не записаны; банк главы остался прежним.\n\n%1").arg(e.message()));
        return;
    }
    m_bank = {};
    m_preview->removeRows(0, m_preview->rowCount());
    RejectedList->clear();
    ButtonImport->setEnabled(false);
    Label12->setText(QStringLiteral("Вопросы записаны."));
    ComboBox3Change();
}

void TForm13::ButtonExportClick()
{
    const int chapter = ComboBox4->currentIndex() + 1;
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить банк вопросов"),
                                                      QDir::home().filePath(QStringLiteral("Test%1.txt").arg(chapter)),
                                                      QStringLiteral("Вопросы учебника (*.txt)"));
    if (path.isEmpty())
        return;
    try {
        const QString problem = writeFile(path, exportBank(m_db, chapter).toUtf8());
        if (!problem.isEmpty())
            platform::errorBox(problem);
    } catch (const DbError &e) {
        platform::errorBox(e.message());
    }
}
