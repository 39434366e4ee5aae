#pragma once

#include <QWidget>

class QLabel;
class QStatusBar;

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

    platform::Bevel *Bevel1;
    QLabel *Label1;
    platform::Bevel *Bevel2;
    QLabel *Image1;
    QLabel *Label2;
    QStatusBar *StatusBar1;
    platform::BitBtn *BitBtn1;

    void BitBtn1Click();
};

extern TForm5 *Form5;
