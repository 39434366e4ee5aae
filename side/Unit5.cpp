// Unit5: the author window (TForm5, "Автор").

// The form before the header that declares the global Form5: its set-up takes the window under
// that name.
#include "side/ui_Unit5.h"

#include "side/Unit5.h"

#include "platform/FormFonts.h"
#include "platform/HandlerGuard.h"
#include "platform/Widgets.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QStatusBar>

TForm5 *Form5 = nullptr;

namespace {

// The desktop's own colours, set role by role so the dark window does not show through.
QPalette desktopColours()
{
    QPalette p = QApplication::palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::WindowText, QPalette::Button, QPalette::ButtonText})
        p.setColor(role, p.color(role));
    return p;
}

} // namespace

TForm5::TForm5(QWidget *parent) : QWidget(parent), m_ui(std::make_unique<Ui::TForm5>())
{
    m_ui->setupUi(this);
    platform::applyPixelFonts(this);
    Bevel1 = m_ui->Bevel1;
    Label1 = m_ui->Label1;
    Bevel2 = m_ui->Bevel2;
    Image1 = m_ui->Image1;
    Label2 = m_ui->Label2;
    StatusBar1 = m_ui->StatusBar1;
    BitBtn1 = m_ui->BitBtn1;
    move(299, 207);

    // The portrait keeps its proportions inside the frame.
    const QPixmap portrait(QStringLiteral(":/pictures/author.jpg"));
    if (!portrait.isNull())
        Image1->setPixmap(portrait.scaled(Image1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    // The bar and the button keep the desktop's own colours under the dark window.
    StatusBar1->setPalette(desktopColours());
    StatusBar1->addWidget(m_ui->StatusBar1Panel, 1);
    BitBtn1->setPalette(desktopColours());

    platform::connectHandler(BitBtn1, &QPushButton::clicked, this, &TForm5::BitBtn1Click);
    platform::bindDialogKeys(this);
}

TForm5::~TForm5() = default;

void TForm5::BitBtn1Click()
{
    close();
}
