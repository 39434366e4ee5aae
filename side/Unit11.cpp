// Unit11: the user-manual window with a frame (TForm11, "Руководство пользователя").

// The form before the header that declares the global Form11: its set-up takes the window under
// that name.
#include "side/ui_Unit11.h"

#include "side/Unit11.h"

#include "platform/WebView.h"

TForm11 *Form11 = nullptr;

TForm11::TForm11(QWidget *parent) : QWidget(parent), m_ui(std::make_unique<Ui::TForm11>())
{
    m_ui->setupUi(this);
    WebBrowser1 = m_ui->WebBrowser1;
    move(177, 219);
}

TForm11::~TForm11() = default;
