#pragma once

#include <QWidget>

class QLabel;

// The customer window: fixed texts, no handlers. The reader's "Автор" opens it.
class TForm7 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm7(QWidget *parent = nullptr);
    ~TForm7() override;

    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
};

extern TForm7 *Form7;
