// Unit1: the sign-in and registration window (TForm1, "Авторизация").

// The form before the header that declares the global Form1: its set-up takes the window under
// that name.
#include "signin/ui_Unit1.h"

#include "signin/Unit1.h"

#include "data/AttemptJournal.h"
#include "data/Connection.h"
#include "data/DbError.h"
#include "data/TableCursor.h"
#include "data/TextWidth.h"
#include "data/Unit8.h"
#include "platform/FormFonts.h"
#include "platform/HandlerGuard.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramPaths.h"
#include "platform/WebView.h"
#include "platform/Widgets.h"
#include "shell/Windows.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QValidator>

#include <algorithm>
#include <initializer_list>
#include <utility>

TForm1 *Form1 = nullptr;

namespace {

const QString coursePrompt = QStringLiteral("выберите курс");
const QString introductionPage = QStringLiteral("Glaves\\Введение.htm");
const QString readerCaption = QStringLiteral("Электроный учебник - ");

// Widths of the Users columns the boxes feed: a longer entry would be cut when stored.
constexpr int nameWidth = 50;
constexpr int passwordWidth = 6;
constexpr int specialtyWidth = 20;
constexpr int courseWidth = 10;

// Holds a box to the width of the column it feeds, counted as the column counts (a surrogate pair
// is one character). A plain length limit counts halves of pairs and would cut a pasted emoji in
// two; here what does not fit is left out a whole character at a time, as the line edit's own
// limit leaves out the end of a paste. A longer text given as exempt (the course box's prompt)
// may stand and be edited down.
class WidthValidator : public QValidator
{
public:
    WidthValidator(QLineEdit *edit, int width, const QString &exempt = {})
        : QValidator(edit), m_width(width), m_exempt(exempt)
    {
        // textChanged comes after validation, so m_current is the text before the edit.
        connect(edit, &QLineEdit::textChanged, this, [this](const QString &text) { m_current = text; });
    }

    State validate(QString &input, int &pos) const override
    {
        const qsizetype width = textWidth(input);
        if (width <= m_width || input == m_exempt || width < textWidth(m_current))
            return Acceptable;
        // The inserted part lies between what the edit kept of the old text before and after it.
        const qsizetype common = std::min(input.size(), m_current.size());
        qsizetype head = 0;
        while (head < common && input.at(head) == m_current.at(head))
            ++head;
        qsizetype tail = 0;
        while (tail < common - head && input.at(input.size() - 1 - tail) == m_current.at(m_current.size() - 1 - tail))
            ++tail;
        if (head > 0 && input.at(head - 1).isHighSurrogate())
            --head;
        if (tail > 0 && input.at(input.size() - tail).isLowSurrogate())
            --tail;
        const QString before = input.left(head);
        const QString after = input.right(tail);
        const qsizetype room = m_width - textWidth(before) - textWidth(after);
        const QString inserted = room > 0 ? cutToWidth(input.mid(head, input.size() - head - tail), room) : QString();
        if (inserted.isEmpty())
            return Invalid;
        input = before + inserted + after;
        pos = int(head + inserted.size());
        return Acceptable;
    }

private:
    qsizetype m_width;
    QString m_exempt;
    QString m_current;
};

// Control characters (NUL among them), line breaks, halves of surrogate pairs and the marks that
// turn the direction of text: such a name would show as something other than what is stored.
bool hasUnsafeCharacters(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        const char16_t u = c.unicode();
        const bool directionMark =
            u == 0x061C || u == 0x200E || u == 0x200F || (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
        if (c.isSurrogate() || directionMark || c.category() == QChar::Other_Control ||
            c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph)
            return true;
    }
    return false;
}

// Lime on the pale picture is hard to read; a dark rim keeps the colour and the contrast.
QGraphicsDropShadowEffect *contrastRim(QWidget *owner)
{
    auto *rim = new QGraphicsDropShadowEffect(owner);
    rim->setOffset(0, 0);
    rim->setBlurRadius(4);
    rim->setColor(QColor(0, 64, 0));
    return rim;
}

} // namespace

TForm1::TForm1(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_ui(std::make_unique<Ui::TForm1>())
{
    m_ui->setupUi(this);
    platform::applyPixelFonts(this);
    Image1 = m_ui->Image1;
    Label1 = m_ui->Label1;
    Label2 = m_ui->Label2;
    Label3 = m_ui->Label3;
    Label4 = m_ui->Label4;
    SpeedButton1 = m_ui->SpeedButton1;
    SpeedButton2 = m_ui->SpeedButton2;
    Edit1 = m_ui->Edit1;
    Edit2 = m_ui->Edit2;
    Edit3 = m_ui->Edit3;
    ComboBox1 = m_ui->ComboBox1;
    BitBtn1 = m_ui->BitBtn1;
    BitBtn2 = m_ui->BitBtn2;
    BitBtn3 = m_ui->BitBtn3;

    Edit1->setValidator(new WidthValidator(Edit1, nameWidth));
    // The password column holds 6 characters: a longer entry would be stored cut and never match.
    Edit2->setValidator(new WidthValidator(Edit2, passwordWidth));
    Edit3->setValidator(new WidthValidator(Edit3, specialtyWidth));
    ComboBox1->lineEdit()->setValidator(new WidthValidator(ComboBox1->lineEdit(), courseWidth, coursePrompt));
    // Each caption is as large as the face found for the window's font draws it.
    for (QLabel *label : {Label1, Label2, Label3, Label4})
        label->adjustSize();
    SpeedButton1->setGraphicsEffect(contrastRim(SpeedButton1));
    SpeedButton2->setGraphicsEffect(contrastRim(SpeedButton2));

    connectHandlers();
    shell::addTeacherKey(this);
    platform::bindDialogKeys(this);
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::connectHandlers()
{
    platform::connectHandler(SpeedButton1, &QPushButton::clicked, this, &TForm1::SpeedButton1Click);
    platform::connectHandler(SpeedButton2, &QPushButton::clicked, this, &TForm1::SpeedButton2Click);
    platform::connectHandler(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    platform::connectHandler(BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
    platform::connectHandler(BitBtn3, &QPushButton::clicked, this, &TForm1::BitBtn3Click);
    m_preloadTimer = new QTimer(this);
    m_preloadTimer->setSingleShot(true);
    m_preloadTimer->setInterval(150);
    connect(m_preloadTimer, &QTimer::timeout, this, &TForm1::preloadStoredPage);
    connect(Edit1, &QLineEdit::textEdited, m_preloadTimer, qOverload<>(&QTimer::start));
}

void TForm1::preloadStoredPage()
{
    if (!BitBtn2->isVisible())
        return;
    try {
        shell::windows()->reader()->preloadStoredPage(Data->storedPageOf(Edit1->text()));
    } catch (const DbError &) {
        // Only a head start: signing in says what is wrong with the record.
    }
}

void TForm1::setModeHeight(int height)
{
    setFixedHeight(height);
}

void TForm1::setCoursePrompt(const QString &text)
{
    // A selection left over from an earlier attempt would pass the course check with the
    // prompt as the course, so the selection goes with the text.
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setEditText(text);
}

void TForm1::FormCreate()
{
    move(429, 155);
    // The mode heights are the widget's height, not the frame's; the width stays the form's.
    setModeHeight(InitialHeight);
    setCoursePrompt(coursePrompt);
    hideEntryControls();
}

void TForm1::hideEntryControls()
{
    for (QWidget *w : std::initializer_list<QWidget *>{Label1, Label2, Label3, Label4, Edit1, Edit2, Edit3, ComboBox1,
                                                       BitBtn1, BitBtn3, BitBtn2})
        w->hide();
}

void TForm1::backToInitialMode(bool clearAll)
{
    setModeHeight(InitialHeight);
    SpeedButton1->move(30, SpeedButton1->y());
    SpeedButton2->move(128, SpeedButton2->y());
    Edit1->clear();
    Edit2->clear();
    if (clearAll) {
        Edit3->clear();
        setCoursePrompt(QString());
    }
    SpeedButton1->show();
    SpeedButton2->show();
    hideEntryControls();
}

void TForm1::FormShow()
{
    Data->connectTo(platform::dataFolder());
}

void TForm1::FormClose()
{
    // The greeting is the main window: closing it ends the program.
    shell::windows()->greeting()->close();
    SetTablesActive(false);
}

void TForm1::SetTablesActive(bool active)
{
    Data->SetTablesActive(active);
}

void TForm1::SpeedButton1Click()
{
    setModeHeight(RegistrationHeight);
    SpeedButton1->move(75, SpeedButton1->y());
    BitBtn3->move(BitBtn3->x(), 224);
    setCoursePrompt(coursePrompt);
    for (QWidget *w : std::initializer_list<QWidget *>{Label1, Label2, Label3, Label4, Edit1, Edit2, Edit3, BitBtn1,
                                                       BitBtn3, ComboBox1})
        w->show();
    SpeedButton2->hide();
    Edit1->setFocus();
}

void TForm1::SpeedButton2Click()
{
    setModeHeight(LoginHeight);
    BitBtn2->move(BitBtn2->x(), 135);
    BitBtn3->move(BitBtn3->x(), 135);
    SpeedButton2->move(75, SpeedButton2->y());
    for (QWidget *w : std::initializer_list<QWidget *>{Label1, Label2, Edit1, Edit2})
        w->show();
    SpeedButton1->hide();
    BitBtn2->show();
    BitBtn3->show();
    Edit1->setFocus();
}

void TForm1::BitBtn3Click()
{
    backToInitialMode(true);
}

void TForm1::BitBtn1Click()
{
    if (Edit1->text().isEmpty()) {
        platform::informationBox(QStringLiteral("Необходимо ввести фамилию имя отчество!"));
        Edit1->setFocus();
        return;
    }
    if (Edit3->text().isEmpty()) {
        platform::informationBox(QStringLiteral("Необходимо ввести Факультет Группа!"));
        Edit3->setFocus();
        return;
    }
    if (ComboBox1->currentIndex() == -1) {
        platform::informationBox(QStringLiteral("Необходимо выбрать курс!"));
        ComboBox1->setFocus();
        return;
    }
    for (auto [box, label] : {std::pair<QLineEdit *, const char16_t *>{Edit1, u"Ф.И.О пользователя"},
                              {Edit2, u"пароль"},
                              {Edit3, u"специальность"},
                              {ComboBox1->lineEdit(), u"курс"}}) {
        if (hasUnsafeCharacters(box->text())) {
            platform::informationBox(QStringLiteral("В поле «%1» есть недопустимые символы: управляющие символы или "
                                                    "знаки смены направления текста. Уберите их и повторите.")
                                         .arg(QString::fromUtf16(label)));
            box->setFocus();
            return;
        }
    }
    if (Edit2->text().isEmpty() &&
        platform::informationBox(QStringLiteral("&Вы действительно хотите зарегистрироваться без пароля!"),
                                 platform::BoxButtons::OkCancel) != platform::BoxAnswer::Ok) {
        Edit2->setFocus();
        return;
    }

    // Stored before anything is shown: a file that refuses the row must not look like a
    // successful registration.
    if (!storeNewStudent())
        return;
    Data->setStudentId(Data->UserTab->field(0).asInteger());

    shell::Reader *reader = shell::windows()->reader();
    reader->browser()->Navigate(platform::expandFileName(introductionPage));
    reader->asWidget()->setWindowTitle(readerCaption + Data->UserTab->field(1).asString());
    reader->asWidget()->setVisible(true);
    leave();
}

void TForm1::leave()
{
    hide();
    // Nothing brings the sign-in window back: let its window, pixel buffer and picture go.
    destroy();
    Image1->clear();
}

void TForm1::offerUnfinishedTest()
{
    // Asked of the journal first: the test window is made only for a student who needs it.
    try {
        if (const std::optional<Attempt> attempt = Data->journal().findUnfinished(Data->studentId()))
            shell::windows()->test()->offerToContinue(attempt->id);
    } catch (const DbError &e) {
        platform::errorBox(QStringLiteral("Не удалось продолжить прерванный тест. ") + e.message());
    }
}

bool TForm1::storeNewStudent()
{
    Registration outcome = Registration::Stored;
    try {
        Data->UserTab->open();
        const NewStudent student{Edit1->text(), Edit2->text(), Edit3->text(), ComboBox1->currentText(),
                                 shell::windows()->reader()->pathToStore(introductionPage)};
        outcome = Data->registerStudent(student);
    } catch (const DbError &e) {
        platform::errorBox(QStringLiteral("Не удалось сохранить регистрацию: ") + e.message());
        return false;
    }
    if (outcome == Registration::NameTaken) {
        platform::informationBox(QStringLiteral("&Запись существует!"));
        Edit1->clear();
        Edit2->clear();
        return false;
    }
    return true;
}

void TForm1::BitBtn2Click()
{
    TableCursor *users = Data->UserTab;
    const SignInOutcome outcome = Data->signIn(Edit1->text(), Edit2->text(), &m_password);
    if (outcome == SignInOutcome::NotRegistered) {
        platform::errorBox(QStringLiteral("Необходимо зарегистрироваться!"));
    } else {
        if (outcome == SignInOutcome::SignedIn) {
            shell::Reader *reader = shell::windows()->reader();
            // The page first: the engine opens it while the window is being drawn.
            reader->openStoredPage(users->field(5).asString());
            reader->asWidget()->setVisible(true);
            leave();
            reader->asWidget()->setWindowTitle(readerCaption + users->field(1).asString());
            offerUnfinishedTest();
        } else {
            platform::errorBox(QStringLiteral("Пароль правильный набери!"));
            Edit2->clear();
        }
    }

    // Whatever the outcome the user starts again with "Вход"; specialty and course stay.
    backToInitialMode(false);
}

void TForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        platform::guarded([this] { FormShow(); });
}

void TForm1::closeEvent(QCloseEvent *event)
{
    platform::guarded([this] { FormClose(); });
    event->accept();
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Image1->setGeometry(rect());
}
