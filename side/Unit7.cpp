// Unit7: the customer window (TForm7, "Заказчик").

// The form before the header that declares the global Form7: its set-up takes the window under
// that name.
#include "side/ui_Unit7.h"

#include "side/Unit7.h"

#include "platform/FormFonts.h"

#include <QApplication>
#include <QLabel>

TForm7 *Form7 = nullptr;

TForm7::TForm7(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::TForm7>())
{
    m_ui->setupUi(this);
    platform::applyPixelFonts(this);
    Label1 = m_ui->Label1;
    Label2 = m_ui->Label2;
    Label3 = m_ui->Label3;
    move(249, 176);
    // The desktop's button highlight, whatever its colours are.
    QPalette p = palette();
    p.setColor(QPalette::Window, QApplication::palette().color(QPalette::Light));
    setPalette(p);
}

TForm7::~TForm7() = default;
