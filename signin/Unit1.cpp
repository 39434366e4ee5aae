// Unit1: the sign-in and registration window (TForm1, "Авторизация").

#include "signin/Unit1.h"

#include "data/DbError.h"
#include "data/TableCursor.h"
#include "data/Unit8.h"
#include "platform/HandlerGuard.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramPaths.h"
#include "platform/WebView.h"
#include "platform/Widgets.h"
#include "shell/Windows.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>
#include <QValidator>

#include <initializer_list>

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

// The course box's own prompt is longer than a course. A plain length limit would cut the
// prompt itself, so typed text is held to the column's width while the prompt may stand
// and be edited down.
class CourseTextValidator : public QValidator
{
public:
    CourseTextValidator(QLineEdit *edit, int maxLength) : QValidator(edit), m_max(maxLength)
    {
        // textChanged comes after validation, so m_current is the text before the edit.
        connect(edit, &QLineEdit::textChanged, this, [this](const QString &text) { m_current = text; });
    }

    State validate(QString &input, int &) const override
    {
        if (input.size() <= m_max || input == coursePrompt || input.size() < m_current.size())
            return Acceptable;
        return Invalid;
    }

private:
    int m_max;
    QString m_current;
};

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, QPoint at)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(13);
    font.setBold(true);
    label->setFont(font);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, QColor(0, 0, 128));
    label->setPalette(p);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->adjustSize();
    label->move(at);
    return label;
}

QPushButton *makeFlatButton(QWidget *parent, const char *name, const QString &text, const QRect &geometry,
                            const QString &hint)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFlat(true);
    button->setGeometry(geometry);
    button->setToolTip(hint);
    // A flat button takes no focus, so Enter in the boxes still reaches the OK button.
    button->setFocusPolicy(Qt::NoFocus);
    QFont font = button->font();
    font.setBold(true);
    font.setUnderline(true);
    button->setFont(font);
    QPalette p = button->palette();
    p.setColor(QPalette::ButtonText, QColor(0, 255, 0));
    button->setPalette(p);
    // Lime on the pale picture is hard to read; a dark rim keeps the colour and the contrast.
    auto *rim = new QGraphicsDropShadowEffect(button);
    rim->setOffset(0, 0);
    rim->setBlurRadius(4);
    rim->setColor(QColor(0, 64, 0));
    button->setGraphicsEffect(rim);
    return button;
}

QLineEdit *makeEdit(QWidget *parent, const char *name, int top, int maxLength, const QString &hint)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(32, top, 161, 21);
    edit->setMaxLength(maxLength);
    edit->setToolTip(hint);
    return edit;
}

platform::BitBtn *makeBitBtn(QWidget *parent, const char *name, const QString &caption, platform::BitBtn::Kind kind,
                             QPoint at)
{
    auto *button = new platform::BitBtn(caption, kind, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(at.x(), at.y(), 73, 25);
    return button;
}

} // namespace

TForm1::TForm1(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Авторизация"));
    // The mode heights (100, 295, 235) are taken as the widget's height, not the frame's.
    // The width is fixed at 240 in every mode.
    setFixedSize(240, 270);
    move(429, 155);

    createControls();
    connectHandlers();
    platform::bindDialogKeys(this);
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::createControls()
{
    // Created first, so it lies under every other control.
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/pictures/signin.jpg")));
    Image1->setScaledContents(true);
    Image1->setGeometry(rect());

    Label1 = makeLabel(this, "Label1", QStringLiteral("Ф.И.О пользователя"), {32, 40});
    Label2 = makeLabel(this, "Label2", QStringLiteral("пароль"), {32, 80});
    Label3 = makeLabel(this, "Label3", QStringLiteral("специальность"), {32, 120});
    Label4 = makeLabel(this, "Label4", QStringLiteral("курс"), {32, 160});

    SpeedButton1 = makeFlatButton(this, "SpeedButton1", QStringLiteral("Регистрация"), {30, 8, 89, 25},
                                  QStringLiteral("Нажмите для регистрации пользователя"));
    SpeedButton2 = makeFlatButton(this, "SpeedButton2", QStringLiteral("Вход"), {128, 8, 73, 25},
                                  QStringLiteral("Нажмите для входа в электронный учебник"));

    Edit1 = makeEdit(this, "Edit1", 56, nameWidth, QStringLiteral("Введите фамилию, имя, отчество"));
    // The password column holds 6 characters: a longer entry would be stored cut and never match.
    Edit2 = makeEdit(this, "Edit2", 96, passwordWidth, QStringLiteral("Введите пароль"));
    Edit2->setEchoMode(QLineEdit::Password);
    Edit2->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    Edit3 = makeEdit(this, "Edit3", 136, specialtyWidth, QStringLiteral("Введите Вашу специальность"));

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(32, 176, 161, 21);
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->addItems({QStringLiteral("1 - Курс"), QStringLiteral("2 - Курс"), QStringLiteral("3 - Курс"),
                         QStringLiteral("4 - Курс"), QStringLiteral("5 - Курс")});
    ComboBox1->lineEdit()->setValidator(new CourseTextValidator(ComboBox1->lineEdit(), courseWidth));
    ComboBox1->setToolTip(QStringLiteral("Выберите курс"));
    setCoursePrompt(coursePrompt);

    BitBtn1 = makeBitBtn(this, "BitBtn1", QStringLiteral("OK"), platform::BitBtn::Kind::Ok, {32, 224});
    BitBtn2 = makeBitBtn(this, "BitBtn2", QStringLiteral("OK"), platform::BitBtn::Kind::Ok, {32, 224});
    BitBtn3 = makeBitBtn(this, "BitBtn3", QStringLiteral("Cancel"), platform::BitBtn::Kind::Cancel, {120, 224});

    setTabOrder(ComboBox1, Edit1);
    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Edit3);
    setTabOrder(Edit3, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
    setTabOrder(BitBtn2, BitBtn3);
}

void TForm1::connectHandlers()
{
    platform::connectHandler(SpeedButton1, &QPushButton::clicked, this, &TForm1::SpeedButton1Click);
    platform::connectHandler(SpeedButton2, &QPushButton::clicked, this, &TForm1::SpeedButton2Click);
    platform::connectHandler(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    platform::connectHandler(BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
    platform::connectHandler(BitBtn3, &QPushButton::clicked, this, &TForm1::BitBtn3Click);
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
    setModeHeight(InitialHeight);
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
    Data->connectTo(platform::programFolder());
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
    if (Edit2->text().isEmpty() &&
        platform::informationBox(QStringLiteral("&Вы действительно хотите зарегистрироваться без пароля!"),
                                 platform::BoxButtons::OkCancel) != platform::BoxAnswer::Ok) {
        Edit2->setFocus();
        return;
    }

    TableCursor *users = Data->UserTab;
    users->open();
    // Another copy of the program on the same Data.mdb may have registered the name since.
    users->refresh();
    if (users->locate(QStringLiteral("фамилия"), Edit1->text())) {
        platform::informationBox(QStringLiteral("&Запись существует!"));
        Edit1->clear();
        Edit2->clear();
        return;
    }

    // Stored before anything is shown: a file that refuses the row must not look like a
    // successful registration.
    if (!storeNewStudent())
        return;

    shell::Reader *reader = shell::windows()->reader();
    reader->browser()->Navigate(platform::expandFileName(introductionPage));
    reader->asWidget()->setWindowTitle(readerCaption + users->field(1).asString());
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

bool TForm1::storeNewStudent()
{
    TableCursor *users = Data->UserTab;
    try {
        users->append();
        users->fieldByName(QStringLiteral("фамилия")).setAsString(Edit1->text());
        users->fieldByName(QStringLiteral("пароль")).setAsString(Edit2->text());
        users->fieldByName(QStringLiteral("специальность")).setAsString(Edit3->text());
        users->fieldByName(QStringLiteral("курс")).setAsString(ComboBox1->currentText());
        users->fieldByName(QStringLiteral("путь"))
            .setAsString(shell::windows()->reader()->browser()->Path() + introductionPage);
        // Refresh posts the pending row first, which gives it its ID.
        users->refresh();
    } catch (const DbError &e) {
        users->cancel();
        platform::errorBox(QStringLiteral("Не удалось сохранить регистрацию: ") + e.message());
        return false;
    }
    return true;
}

void TForm1::BitBtn2Click()
{
    TableCursor *users = Data->UserTab;
    users->open();
    // The student may have registered with another copy of the program since this one started.
    users->refresh();
    if (!users->locate(QStringLiteral("фамилия"), Edit1->text())) {
        platform::errorBox(QStringLiteral("Необходимо зарегистрироваться!"));
    } else {
        users->locate(QStringLiteral("фамилия"), Edit1->text());
        m_password = users->fieldByName(QStringLiteral("пароль")).asString();
        if (Edit2->text() == m_password) {
            shell::Reader *reader = shell::windows()->reader();
            reader->asWidget()->setVisible(true);
            leave();
            reader->asWidget()->setWindowTitle(readerCaption + users->field(1).asString());
            // No fallback page: an empty path goes to the view as it is.
            reader->browser()->Navigate(platform::expandFileName(users->field(5).asString()));
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
