#pragma once

#include <QFrame>

#include <memory>

class QLabel;
class QLineEdit;
class QToolButton;

namespace Ui {
class FindBar;
} // namespace Ui

namespace platform {
class WebView;
} // namespace platform

namespace reader {

// Find in page, below the page view: the text typed is looked for as it is typed, every match
// marked and counted; next and previous go round.
class FindBar : public QFrame
{
    Q_OBJECT
public:
    FindBar(platform::WebView *view, QWidget *parent = nullptr);
    ~FindBar() override;

    QLineEdit *FindEdit;
    QToolButton *FindPrevious;
    QToolButton *FindNext;
    QLabel *FindCount;
    QToolButton *FindClose;

    // Shows the bar with the text typed last selected; shown already, finds the next match.
    void open();
    void findNext();
    void findPrevious();
    // Hides the bar and the marks of the matches.
    void close();

Q_SIGNALS:
    void shownChanged(bool shown);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectHandlers();
    void textChanged();
    void pageLoaded();
    void showFound(int active, int count);

    std::unique_ptr<Ui::FindBar> m_ui;
    platform::WebView *m_view;
};

} // namespace reader
