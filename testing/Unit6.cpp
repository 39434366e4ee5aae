// Unit6: the test window (TForm6), one timed test of one chapter.

// The form before the header that declares the global Form6: its set-up takes the window under
// that name.
#include "testing/ui_Unit6.h"

#include "testing/Unit6.h"

#include "data/Connection.h"
#include "data/DataSource.h"
#include "data/DbError.h"
#include "data/SqliteJournal.h"
#include "data/TableCursor.h"
#include "data/Unit8.h"
#include "platform/Clock.h"
#include "platform/Colours.h"
#include "platform/FormFonts.h"
#include "platform/HandlerGuard.h"
#include "platform/MessageBoxes.h"
#include "platform/Widgets.h"
#include "testing/Grading.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTimer>

#include <algorithm>

TForm6 *Form6 = nullptr;

namespace {

constexpr int barWidth = 25;
constexpr int pixelsPerAnswer = 5;

template <typename T> T *named(T *object, const char *name)
{
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

void setBarHeight(QLabel *bar, int height)
{
    bar->resize(barWidth, height);
}

// An auto-sized label: grows to its text, never below its designed size.
void setGrowingText(QLabel *label, const QString &text, int minimumWidth)
{
    label->setText(text);
    label->resize(qMax(minimumWidth, label->sizeHint().width()), label->height());
}

bool isInteger(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    Q_UNUSED(value)
    return ok;
}

// A text too long for its fixed label is set smaller, down to a still readable size, rather
// than cut off mid-line: the student must be able to read every answer in full.
void fitText(QLabel *label, const QFont &design)
{
    constexpr int smallest = 9;
    QFont font = design;
    for (int pixels = design.pixelSize(); pixels >= smallest; --pixels) {
        font.setPixelSize(pixels);
        const QRect needed =
            QFontMetrics(font).boundingRect(QRect(0, 0, label->width(), label->height() * 10),
                                            Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, label->text());
        if (needed.height() <= label->height())
            break;
    }
    label->setFont(font);
}

// The settings a test runs and is graded by, checked at launch and read again when it begins;
// a problem is a DbError with a Russian text.
GradeRules readGradeSettings()
{
    GradeRules settings;
    const QString minutes = Data->GetSystemValue(QStringLiteral("Min"));
    if (minutes.isEmpty())
        throw DbError(QStringLiteral("Не задано время на тест: в настройках нет значения «Min»."));
    if (!isInteger(minutes))
        throw DbError(
            QStringLiteral("Время на тест задано неверно: «%1» не является целым числом минут.").arg(minutes));
    settings.minutes = minutes.toInt();
    if (settings.minutes < 1)
        throw DbError(QStringLiteral("Время на тест должно быть не меньше одной минуты."));

    const auto threshold = [](const QString &key) {
        const QString value = Data->GetSystemValue(key);
        if (value.isEmpty())
            throw DbError(QStringLiteral("Не заданы пороги оценок: в настройках нет значения «%1».").arg(key));
        if (!isInteger(value))
            throw DbError(QStringLiteral("Порог оценки задан неверно: значение «%1» = «%2» не является целым числом.")
                              .arg(key, value));
        // Above 100 even full marks would miss the grade; below 0 no answer at all would earn it.
        const int percent = value.toInt();
        if (percent < 0 || percent > 100)
            throw DbError(QStringLiteral("Порог оценки задан неверно: значение «%1» = «%2» должно быть от 0 до 100.")
                              .arg(key, value));
        return percent;
    };
    settings.fine = threshold(QStringLiteral("FinePercent"));
    settings.good = threshold(QStringLiteral("GoodPercent"));
    settings.bad = threshold(QStringLiteral("BadPercent"));
    return settings;
}

// A right letter that no radio button carries would make its question wrong whatever is chosen.
QString rightLetterProblem(TableCursor *testTab)
{
    static const QStringList letters = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                                        QStringLiteral("D"), QStringLiteral("E")};
    for (int row = 0; row < testTab->recordCount(); ++row) {
        const QString letter = testTab->valueAt(row, 7).toString();
        if (letters.contains(letter))
            continue;
        constexpr int shown = 60;
        QString question = testTab->valueAt(row, 1).toString().simplified();
        if (question.size() > shown)
            question = question.left(shown - 1) + QChar(0x2026);
        return QStringLiteral("В вопросе %1 («%2») правильный ответ задан неверно: «%3». Это должна быть одна из "
                              "латинских букв A, B, C, D, E.")
            .arg(row + 1)
            .arg(question, letter);
    }
    return {};
}

} // namespace

TForm6::TForm6(QWidget *parent) : QWidget(parent), m_ui(std::make_unique<Ui::TForm6>())
{
    m_ui->setupUi(this);
    platform::applyPixelFonts(this);
    // A dialog frame with only a close box, above the other windows.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);

    Bevel1 = m_ui->Bevel1;
    Bevel2 = m_ui->Bevel2;
    Panel1 = m_ui->Panel1;
    Label1 = m_ui->Label1;
    Label2 = m_ui->Label2;
    Label3 = m_ui->Label3;
    Label4 = m_ui->Label4;
    Label5 = m_ui->Label5;
    Label6 = m_ui->Label6;
    Label7 = m_ui->Label7;
    Button1 = m_ui->Button1;
    RadioButton1 = m_ui->RadioButton1;
    RadioButton2 = m_ui->RadioButton2;
    RadioButton3 = m_ui->RadioButton3;
    RadioButton4 = m_ui->RadioButton4;
    RadioButton5 = m_ui->RadioButton5;
    Label8 = m_ui->Label8;
    GroupBox1 = m_ui->GroupBox1;
    Label11 = m_ui->Label11;
    Label12 = m_ui->Label12;
    Label13 = m_ui->Label13;
    Label14 = m_ui->Label14;
    Label9 = m_ui->Label9;
    Label10 = m_ui->Label10;

    m_numberWidth = Label1->width();
    AnswerLabels = {Label2, Label3, Label4, Label5, Label6, Label7};
    for (size_t i = 0; i < AnswerLabels.size(); ++i)
        m_designFonts[i] = AnswerLabels[i]->font();

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(1000);

    DataSource1 = named(new DataSource(nullptr, this), "DataSource1");
    DataSource2 = named(new DataSource(nullptr, this), "DataSource2");
    DataSource3 = named(new DataSource(nullptr, this), "DataSource3");
    DataSource4 = named(new DataSource(nullptr, this), "DataSource4");
    DataSource5 = named(new DataSource(nullptr, this), "DataSource5");
    DataSource6 = named(new DataSource(nullptr, this), "DataSource6");

    connectHandlers();
}

TForm6::~TForm6() = default;

void TForm6::connectHandlers()
{
    using platform::connectHandler;
    connectHandler(Button1, &QPushButton::clicked, this, &TForm6::Button1Click);
    connectHandler(Timer1, &QTimer::timeout, this, &TForm6::Timer1Timer);

    connectHandler(DataSource1, &DataSource::dataChange, this, &TForm6::DataSource1DataChange);
    connectHandler(DataSource2, &DataSource::dataChange, this, &TForm6::DataSource2DataChange);
    connectHandler(DataSource3, &DataSource::dataChange, this, &TForm6::DataSource3DataChange);
    connectHandler(DataSource4, &DataSource::dataChange, this, &TForm6::DataSource4DataChange);
    connectHandler(DataSource5, &DataSource::dataChange, this, &TForm6::DataSource5DataChange);
    connectHandler(DataSource6, &DataSource::dataChange, this, &TForm6::DataSource6DataChange);

    // A button becoming checked, by mouse, keyboard or program, is its click; unchecking is not.
    const auto onChecked = [this](QRadioButton *button, void (TForm6::*handler)()) {
        connect(button, &QRadioButton::toggled, this, [this, handler](bool checked) {
            if (checked)
                platform::guarded([this, handler] { (this->*handler)(); });
        });
    };
    onChecked(RadioButton1, &TForm6::RadioButton1Click);
    onChecked(RadioButton2, &TForm6::RadioButton2Click);
    onChecked(RadioButton3, &TForm6::RadioButton3Click);
    onChecked(RadioButton4, &TForm6::RadioButton4Click);
    onChecked(RadioButton5, &TForm6::RadioButton5Click);

    connectHandler(Label3, &platform::ClickableLabel::clicked, this, &TForm6::Label3Click);
    connectHandler(Label4, &platform::ClickableLabel::clicked, this, &TForm6::Label4Click);
    connectHandler(Label5, &platform::ClickableLabel::clicked, this, &TForm6::Label5Click);
    connectHandler(Label6, &platform::ClickableLabel::clicked, this, &TForm6::Label6Click);
    connectHandler(Label7, &platform::ClickableLabel::clicked, this, &TForm6::Label7Click);
}

void TForm6::bindDataSources()
{
    DataSource1->setDataSet(Data->Test1Tab);
    DataSource2->setDataSet(Data->Test2Tab);
    DataSource3->setDataSet(Data->Test3Tab);
    DataSource4->setDataSet(Data->Test4Tab);
    DataSource5->setDataSet(Data->Test5Tab);
    DataSource6->setDataSet(Data->Test6Tab);
}

// --- Launch check -----------------------------------------------------------------------------

QString TForm6::launchProblem(TableCursor *testTab) const
{
    if (!testTab || !testTab->isOpen())
        return QStringLiteral("Не выбрана глава для теста: откройте страницу главы.");
    try {
        readGradeSettings();
        // Without questions there is nothing to ask and no share of right answers.
        if (testTab->recordCount() == 0)
            return QStringLiteral("В базе вопросов этой главы нет ни одного вопроса.");
        // A server shows no right answers; it checks them itself when the test begins.
        const QString letters = Data->onServer() ? QString() : rightLetterProblem(testTab);
        if (!letters.isEmpty())
            return letters;
    } catch (const DbError &e) {
        return e.message();
    }

    // A file that could not take the journal's tables when it was opened is asked again.
    try {
        addAttemptTables(*Data->Connect);
    } catch (const DbError &e) {
        return QStringLiteral("Ответы теста сохранить не удастся. ") + e.message();
    }

    // Proven by a write that is rolled back, so a read-only file or folder, a full disk or a
    // missing row shows now rather than after the last answer. The value must differ: SQLite
    // writes nothing, not even its journal, for a row that stays the same.
    try {
        TableCursor *results = locateResultRow();
        // On a server only its own functions write, and they check when the test ends.
        if (Data->onServer())
            return {};
        const QVariant row = results->fieldByName(QStringLiteral("ID_Result")).value();
        if (Data->Connect->probeWrite(QStringLiteral("UPDATE \"Result\" SET \"Ocenka\" = coalesce(\"Ocenka\", 0) + 1 "
                                                     "WHERE \"ID_Result\" = ?"),
                                      {row}) != 1)
            throw DbError(QStringLiteral("В таблице результатов нет строки этой главы."));
    } catch (const DbError &e) {
        return QStringLiteral("Оценку за этот тест сохранить не удастся. ") + e.message();
    }
    return {};
}

// --- Start and end ----------------------------------------------------------------------------

void TForm6::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    platform::centreOnScreen(this);
    platform::guarded([this] { FormShow(); });
}

void TForm6::FormShow()
{
    QuestionNo = 1;
    setGrowingText(Label1, QStringLiteral("1"), m_numberWidth);
    if (shell::windows())
        shell::windows()->reader()->asWidget()->hide();
    RightCount = 0;
    WrongCount = 0;
    m_ending = false;
    MinLeft = toInteger(Data->GetSystemValue(QStringLiteral("Min")));
    Button1->setEnabled(false);
    uncheckAnswers();
}

void TForm6::startCountdown()
{
    try {
        for (int chapter = 1; chapter <= 6; ++chapter) {
            if (!Data->testTab(chapter)->isOpen())
                continue;
            // The settings as they are now: the test keeps them to its end, whatever changes.
            GradeRules rules = readGradeSettings();
            rules.minutes = MinLeft;
            const int chapterId = Data->GlavesTab->fieldByName(QStringLiteral("ID_Glava")).asInteger();
            const Attempt attempt = Data->journal().begin(Data->studentId(), chapter, chapterId, QuestionCount, rules);
            m_attempt.emplace(Data->journal(), attempt, platform::clock().steadyMs());
            MinLeft = attempt.rules.minutes;
        }
    } catch (const DbError &e) {
        platform::errorBox(QStringLiteral("Тест не удалось начать. ") + e.message());
        close();
        return;
    }
    m_deadlineMs = platform::clock().steadyMs() + qint64(MinLeft) * 60 * 1000;
    Timer1->start();
}

void TForm6::offerToContinue(qint64 attemptId)
{
    const std::optional<Attempt> found = Data->journal().attempt(attemptId);
    if (!found || found->state != AttemptState::Running)
        return;
    const Attempt &attempt = *found;
    const int answered = int(Data->journal().answers(attemptId).size());
    const QString chapter = shell::windows()->reader()->chapterLabel(attempt.chapter)->text();
    const QString question =
        QStringLiteral("Тест по главе «%1» не был завершён: программа закрылась во время теста.\r"
                       "Отвечено на %2 из %3 вопросов, оставалось времени %4.\r\r"
                       "Продолжить тест с того места, где он прервался? Если нет, тест будет прерван без оценки.")
            .arg(chapter)
            .arg(answered)
            .arg(attempt.questions)
            .arg(timeText(attempt.secondsLeft / 60, attempt.secondsLeft % 60));
    if (platform::questionBox(question, QStringLiteral("Продолжить тест"), QStringLiteral("Прервать без оценки")) !=
        platform::BoxAnswer::Ok) {
        Data->journal().endWithoutGrade(attemptId);
        return;
    }
    continueAttempt(attempt);
}

void TForm6::continueAttempt(const Attempt &attempt)
{
    shell::windows()->reader()->openChapter(attempt.chapter);
    TableCursor *tab = Data->testTab(attempt.chapter);
    const QList<RecordedAnswer> answers = Data->journal().answers(attempt.id);
    QSet<int> questions;
    for (int row = 0; row < tab->recordCount(); ++row)
        questions.insert(tab->valueAt(row, 0).toInt());
    bool same = tab->isOpen() && tab->recordCount() == attempt.questions;
    for (const RecordedAnswer &answer : answers)
        same = same && questions.contains(answer.question);
    // Answers given to questions that are no longer there, or a different number of questions,
    // would make a grade that belongs to no test.
    if (!same) {
        Data->journal().endWithoutGrade(attempt.id);
        platform::informationBox(QStringLiteral("Вопросы теста этой главы изменились после его начала, поэтому "
                                                "продолжить его нельзя. Тест прерван без оценки; его можно пройти "
                                                "заново."));
        return;
    }

    shell::bringToFront(this);
    setWindowTitle(QStringLiteral("Тест- ") + shell::windows()->reader()->chapterLabel(attempt.chapter)->text());
    QuestionCount = tab->recordCount();
    for (const RecordedAnswer &answer : answers) {
        m_answered.insert(answer.question);
        countAnswer(answer.right);
    }
    tab->first();
    skipAnswered(tab);
    QuestionNo = tab->eof() ? QuestionCount : tab->recNo() + 1;
    setGrowingText(Label1, QString::number(QuestionNo), m_numberWidth);

    const qint64 now = platform::clock().steadyMs();
    m_attempt.emplace(Data->journal(), attempt, now);
    m_deadlineMs = now + qint64(attempt.secondsLeft) * 1000;
    MinLeft = attempt.secondsLeft / 60;
    SecLeft = attempt.secondsLeft % 60;
    ShowTime();
    // Cut short after the last answer and before the grade: the grade is all that is left.
    if (tab->eof()) {
        Result();
        return;
    }
    Timer1->start();
}

void TForm6::closeEvent(QCloseEvent *event)
{
    platform::guarded([this] { FormClose(); });
    // Even if the close failed half-way, a hidden window must not go on counting.
    Timer1->stop();
    event->accept();
}

void TForm6::FormClose()
{
    // Closed before the end: the attempt ends without a grade. If the file refuses now, the
    // attempt stays open and the next sign-in offers to go on with it.
    if (m_attempt) {
        const qint64 attempt = m_attempt->attempt().id;
        m_attempt.reset();
        try {
            Data->journal().endWithoutGrade(attempt);
        } catch (const DbError &) {
        }
    }
    m_answered.clear();

    // UserTab stays open: its current row is the signed-in student, whom the reader, the next
    // result row and the statistics rely on. The reader reopens GlavesTab and ResultTab itself.
    for (int chapter = 1; chapter <= 6; ++chapter)
        Data->testTab(chapter)->close();
    Data->ResultTab->close();
    Data->GlavesTab->close();

    setBarHeight(Label9, 0);
    setBarHeight(Label10, 0);

    if (Grade > 2) {
        for (int chapter = 1; chapter <= 6; ++chapter) {
            platform::ClickableLabel *label = shell::windows()->reader()->chapterLabel(chapter);
            label->setFontColor(colour::red);
            label->setEnabled(true);
        }
    }

    shell::windows()->reader()->setTestEnabled(false);
    showReader();

    SecLeft = 0;
    Label13->clear();
    Label14->clear();
    Timer1->stop();
    Label8->setText(QStringLiteral("Таймер"));
}

void TForm6::showReader()
{
    shell::bringToFront(shell::windows()->reader()->asWidget());
}

// --- Questions --------------------------------------------------------------------------------

void TForm6::showQuestion(TableCursor *testTab)
{
    // Nothing to show from a closed or empty table; the labels keep their texts.
    if (!testTab->isOpen() || testTab->isEmpty())
        return;
    // By position: the question tables of chapters 3..6 declare no column names.
    for (int k = 1; k <= 6; ++k) {
        const auto index = static_cast<size_t>(k - 1);
        AnswerLabels[index]->setText(testTab->field(k).asString());
        fitText(AnswerLabels[index], m_designFonts[index]);
    }
}

void TForm6::DataSource1DataChange()
{
    showQuestion(Data->Test1Tab);
}

void TForm6::DataSource2DataChange()
{
    showQuestion(Data->Test2Tab);
}

void TForm6::DataSource3DataChange()
{
    showQuestion(Data->Test3Tab);
}

void TForm6::DataSource4DataChange()
{
    showQuestion(Data->Test4Tab);
}

void TForm6::DataSource5DataChange()
{
    showQuestion(Data->Test5Tab);
}

void TForm6::DataSource6DataChange()
{
    showQuestion(Data->Test6Tab);
}

void TForm6::choose(QRadioButton *button)
{
    Button1->setEnabled(true);
    ChosenLetter = button->text();
}

void TForm6::RadioButton1Click()
{
    choose(RadioButton1);
}

void TForm6::RadioButton2Click()
{
    choose(RadioButton2);
}

void TForm6::RadioButton3Click()
{
    choose(RadioButton3);
}

void TForm6::RadioButton4Click()
{
    choose(RadioButton4);
}

void TForm6::RadioButton5Click()
{
    choose(RadioButton5);
}

void TForm6::Label3Click()
{
    RadioButton1->setChecked(true);
}

void TForm6::Label4Click()
{
    RadioButton2->setChecked(true);
}

void TForm6::Label5Click()
{
    RadioButton3->setChecked(true);
}

void TForm6::Label6Click()
{
    RadioButton4->setChecked(true);
}

void TForm6::Label7Click()
{
    RadioButton5->setChecked(true);
}

void TForm6::uncheckAnswers()
{
    // An exclusive group never lets its checked button go; lift the rule for the moment.
    for (QRadioButton *button : {RadioButton1, RadioButton2, RadioButton3, RadioButton4, RadioButton5}) {
        button->setAutoExclusive(false);
        button->setChecked(false);
        button->setAutoExclusive(true);
    }
}

void TForm6::Button1Click()
{
    // The ending failed (the file busy, a setting unreadable): the answers are counted already,
    // so the button only tries the ending again.
    if (m_ending) {
        Result();
        return;
    }
    if (!m_attempt)
        return;
    for (int chapter = 1; chapter <= 6; ++chapter) {
        TableCursor *tab = Data->testTab(chapter);
        if (!tab->isOpen())
            continue;
        // Judged and written before the test moves on: the bars show only what the journal holds.
        const int question = tab->field(0).asInteger();
        bool right = false;
        if (!recordAnswer(question, right))
            return;
        m_answered.insert(question);
        countAnswer(right);
        tab->next();
        skipAnswered(tab);
        NextQ();
    }
}

void TForm6::countAnswer(bool right)
{
    if (right) {
        ++RightCount;
        Label13->setText(QString::number(RightCount));
        setBarHeight(Label9, pixelsPerAnswer * RightCount);
    } else {
        ++WrongCount;
    }
    Label14->setText(QString::number(WrongCount));
    setBarHeight(Label10, pixelsPerAnswer * WrongCount);
}

void TForm6::skipAnswered(TableCursor *testTab)
{
    while (!testTab->eof() && m_answered.contains(testTab->field(0).asInteger()))
        testTab->next();
}

bool TForm6::recordAnswer(int question, bool &right)
{
    for (;;) {
        try {
            right = m_attempt->answer(question, ChosenLetter, secondsLeft(), platform::clock().steadyMs());
            return true;
        } catch (const DbError &e) {
            // The database away (the file held by another program, the server out of reach): the
            // answer waits here, in its turn, until it is back. The time runs on by the deadline;
            // no tick may end the test under the box.
            Timer1->stop();
            if ((e.isConnectionLost() || e.isBusy()) &&
                platform::retryBox(QStringLiteral("Ответ не записан. ") + e.message() +
                                   QStringLiteral("\rНажмите «Повторить», когда база данных станет доступна: ответ "
                                                  "будет записан снова.")) == platform::BoxAnswer::Ok) {
                Timer1->start();
                continue;
            }
            platform::errorBox(QStringLiteral("Ответ не записан. ") + e.message() +
                               QStringLiteral("\rТест прерван без оценки: его нужно пройти заново."));
            close();
            return false;
        }
    }
}

void TForm6::NextQ()
{
    for (int chapter = 1; chapter <= 6; ++chapter) {
        TableCursor *tab = Data->testTab(chapter);
        if (!tab->isOpen())
            continue;
        if (!tab->eof())
            QuestionNo = tab->recNo() + 1;
        setGrowingText(Label1, QString::number(QuestionNo), m_numberWidth);
        Rbt();
        // Last, so that an ending that failed can leave "Следующий" on for another try.
        if (tab->eof())
            Result();
    }
}

void TForm6::Rbt()
{
    Button1->setEnabled(false);
    uncheckAnswers();
}

// --- Time -------------------------------------------------------------------------------------

int TForm6::secondsLeft() const
{
    // From the deadline rather than by counting ticks: no tick comes while the program waits
    // for the database, and the time spent waiting counts all the same.
    const qint64 leftMs = std::max<qint64>(0, m_deadlineMs - platform::clock().steadyMs());
    return int((leftMs + 500) / 1000);
}

void TForm6::Timer1Timer()
{
    const int seconds = secondsLeft();
    MinLeft = seconds / 60;
    SecLeft = seconds % 60;
    ShowTime();
    // A note the file refuses now is written with the next answer or tick.
    if (m_attempt) {
        try {
            m_attempt->tick(seconds, platform::clock().steadyMs());
        } catch (const DbError &) {
        }
    }
    if (MinLeft == 0 && SecLeft == 0) {
        Timer1->stop();
        platform::plainBox(QStringLiteral("Заданный интервал времени истек!"));
        Result();
    }
}

void TForm6::ShowTime()
{
    Label8->setText(timeText(MinLeft, SecLeft));
    Label8->setVisible(true);
}

// --- Grading ----------------------------------------------------------------------------------

TableCursor *TForm6::locateResultRow() const
{
    // The result rows follow UserTab: on another student's row the grade would be theirs.
    if (!Data->findStudent())
        throw DbError(QStringLiteral("Запись студента не найдена в базе данных: её удалила другая программа."));
    // The chapter row must be the tested chapter's: if the reader found no row with its caption,
    // the current one belongs to another chapter, whose grade would be overwritten.
    for (int chapter = 1; chapter <= 6; ++chapter) {
        if (!Data->testTab(chapter)->isOpen())
            continue;
        const QString caption = shell::windows()->reader()->chapterLabel(chapter)->text();
        if (!Data->GlavesTab->isOpen() || Data->GlavesTab->fieldByName(QStringLiteral("Caption")).asString() != caption)
            throw DbError(QStringLiteral("В списке глав нет главы «%1».").arg(caption));
    }
    TableCursor *results = Data->ResultTab;
    results->open();
    const int chapterId = Data->GlavesTab->fieldByName(QStringLiteral("ID_Glava")).asInteger();
    // Editing whatever row happens to be current would overwrite another chapter's grade.
    if (!results->locate(QStringLiteral("ID_Glava"), chapterId))
        throw DbError(QStringLiteral("В таблице результатов нет строки этой главы."));
    return results;
}

void TForm6::offerRetry(const QString &failure)
{
    platform::errorBox(failure + QStringLiteral("\rНажмите «Следующий», чтобы попробовать ещё раз, или закройте "
                                                "окно теста: тогда тест прервётся без оценки."));
    Button1->setEnabled(true);
}

void TForm6::Result()
{
    // First of all: no tick may come while a box below is open and end the test a second time.
    Timer1->stop();
    Button1->setEnabled(false);
    m_ending = true;

    if (!m_attempt)
        return;
    const Attempt &attempt = m_attempt->attempt();
    int grade = 0;
    try {
        // The grade belongs to the signed-in student's row: one that is gone takes no grade.
        if (!Data->findStudent())
            throw DbError::studentMissing();
        grade = Data->journal().finish(attempt.id);
    } catch (const DbError &e) {
        offerRetry(QStringLiteral("Не удалось сохранить оценку. ") + e.message());
        return;
    }
    // For the statistics. The grade is in the file whatever comes of this; a failed re-read
    // leaves the rows as they were.
    try {
        Data->ResultTab->refresh();
        Data->UserTab->refresh();
    } catch (const DbError &) {
    }
    const int limit = attempt.rules.minutes;
    const qint64 graded = attempt.id;
    m_attempt.reset();
    // Only a stored grade counts: closing the window after a failure is an abandoned test.
    Grade = grade;

    uncheckAnswers();
    const TimeUsed used = timeUsed(limit, MinLeft, SecLeft);
    MinLeft = used.minutes;
    SecLeft = used.seconds;
    // The report offers the review: a box keeps the report as it always read, one button more.
    const bool review = platform::plainBox(resultReport(RightCount, QuestionCount, used, Grade),
                                           QStringLiteral("&Разбор ответов")) == platform::BoxAnswer::Other;
    close();
    showReader();
    if (review)
        shell::windows()->review()->showAttempt(graded);
}
