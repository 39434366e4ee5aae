// Unit14: the teacher's password prompt (TForm14, "Кабинет преподавателя").

// The form before the header: its set-up takes the window under the form's name.
#include "desk/ui_Unit14.h"

#include "desk/Unit14.h"

#include "data/DbError.h"
#include "data/TeacherPassword.h"
#include "platform/FormFonts.h"
#include "platform/MessageBoxes.h"
#include "platform/Widgets.h"

#include <QTimer>

TForm14::TForm14(std::function<bool(const QString &)> check, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TForm14>()), m_check(std::move(check))
{
    m_ui->setupUi(this);
    platform::applyPixelFonts(this);
    Label1 = m_ui->Label1;
    Edit1 = m_ui->Edit1;
    Label2 = m_ui->Label2;
    BitBtn1 = m_ui->BitBtn1;
    BitBtn2 = m_ui->BitBtn2;
    Timer1 = new QTimer(this);
    Timer1->setSingleShot(true);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm14::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Timer1, &QTimer::timeout, this, &TForm14::Timer1Timer);
}

TForm14::~TForm14() = default;

void TForm14::BitBtn1Click()
{
    if (Timer1->isActive())
        return;
    bool right = false;
    try {
        right = m_check(Edit1->text());
    } catch (const DbError &e) {
        platform::errorBox(e.message());
        return;
    }
    if (right) {
        m_failures = 0;
        Edit1->clear();
        Label2->clear();
        accept();
        return;
    }
    ++m_failures;
    Edit1->clear();
    Edit1->setFocus();
    const int delay = refusalDelaySeconds(m_failures);
    if (delay == 0) {
        Label2->setText(QStringLiteral("Неверный пароль."));
        return;
    }
    Label2->setText(QStringLiteral("Неверный пароль. Следующая попытка — через %1 с.").arg(delay));
    BitBtn1->setEnabled(false);
    Timer1->start(delay * 1000);
}

void TForm14::Timer1Timer()
{
    Timer1->stop();
    BitBtn1->setEnabled(true);
    Label2->setText(QStringLiteral("Введите пароль ещё раз."));
}
