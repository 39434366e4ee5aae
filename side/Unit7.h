#pragma once

#include <QWidget>

#include <memory>

class QLabel;

namespace Ui {
class TForm7;
} // namespace Ui

// The customer window: fixed texts, no handlers. The reader's "Автор" opens it.
class TForm7 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm7(QWidget *parent = nullptr);
    ~TForm7() override;

    // The widgets of the form (side/Unit7.ui).
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;

private:
    std::unique_ptr<Ui::TForm7> m_ui;
};

extern TForm7 *Form7;
