#pragma once

#include <QWidget>

#include <memory>

class QLabel;
class QStatusBar;

namespace Ui {
class TForm5;
} // namespace Ui

namespace platform {
class Bevel;
class BitBtn;
} // namespace platform

// The author window. No command of the program opens it.
class TForm5 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm5(QWidget *parent = nullptr);
    ~TForm5() override;

    // The widgets of the form (side/Unit5.ui).
    platform::Bevel *Bevel1;
    QLabel *Label1;
    platform::Bevel *Bevel2;
    QLabel *Image1;
    QLabel *Label2;
    QStatusBar *StatusBar1;
    platform::BitBtn *BitBtn1;

    void BitBtn1Click();

private:
    std::unique_ptr<Ui::TForm5> m_ui;
};

extern TForm5 *Form5;
