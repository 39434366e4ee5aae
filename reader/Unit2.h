#pragma once

#include "shell/Windows.h"

#include <QLocale>
#include <QMainWindow>
#include <QString>
#include <QTime>

#include <initializer_list>
#include <memory>

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QStatusBar;
class QTimer;
class QWidget;

namespace Ui {
class TForm2;
} // namespace Ui

namespace platform {
class BitBtn;
class Bevel;
class ClickableLabel;
class WebView;
} // namespace platform

// The reader: course pages in a web view, chapter selection, remembered page, clock.
class TForm2 : public QMainWindow, public shell::Reader
{
    Q_OBJECT
public:
    explicit TForm2(QWidget *parent = nullptr);
    ~TForm2() override;

    // The widgets of the form (reader/Unit2.ui).
    QWidget *Panel1;
    QLabel *Image1;
    platform::Bevel *Bevel1;
    platform::ClickableLabel *Label1;
    platform::ClickableLabel *Label2;
    platform::ClickableLabel *Label3;
    platform::ClickableLabel *Label4;
    platform::ClickableLabel *Label5;
    platform::ClickableLabel *Label6;
    platform::ClickableLabel *Label7;
    platform::ClickableLabel *Label8;
    platform::ClickableLabel *Label9;
    platform::ClickableLabel *Label10;
    platform::ClickableLabel *Label11;
    QGroupBox *GroupBox1;
    QLabel *Image2;
    platform::BitBtn *BitBtn1;
    platform::BitBtn *BitBtn2;
    platform::BitBtn *BitBtn3;
    platform::WebView *WebBrowser1;
    QStatusBar *StatusBar1;
    // N1 and N4 are the bar items of the menus "Теория" and "Справка".
    QAction *N1;
    QAction *N11;
    QAction *N21;
    QAction *N31;
    QAction *N41;
    QAction *N51;
    QAction *N61;
    QAction *N2;
    // "Разбор ответов": the last graded test of chapter 1..6.
    QAction *N7;
    QAction *N71;
    QAction *N72;
    QAction *N73;
    QAction *N74;
    QAction *N75;
    QAction *N76;
    QAction *N4;
    QAction *N5;
    QAction *N3;
    QAction *N6;
    // The menus "Поиск" and "Вид" and their commands, carried out by reader::ReadingTools.
    QMenu *SearchMenu;
    QMenu *ViewMenu;
    QAction *SearchCourse;
    QAction *FindInPage;
    QAction *FindNext;
    QAction *FindPrevious;
    QAction *ZoomIn;
    QAction *ZoomOut;
    QAction *ZoomReset;
    QAction *DarkPage;
    QTimer *Timer1;

    // Chapter 1..6 -> Label1, Label2, Label4, Label5, Label6, Label7.
    platform::ClickableLabel *chapterLabel(int chapter) const override;

    QWidget *asWidget() override { return this; }
    platform::WebView *browser() override { return WebBrowser1; }
    void setTestEnabled(bool enabled) override;
    QString pathToStore(const QString &page) const override;
    void openStoredPage(const QString &stored) override;
    void preloadStoredPage(const QString &stored) override;
    void openChapter(int chapter) override { openChapter(chapter, false); }
    void showPlace(const QString &page, const QString &anchor) override;

    // The status bar's panels 0..2 (time, date, always empty).
    QLabel *statusPanel(int index) const;

    void FormClose();
    void Timer1Timer();
    void Label1Click();
    void Label2Click();
    void Label4Click();
    void Label5Click();
    void Label6Click();
    void Label7Click();
    void N11Click();
    void N21Click();
    void N31Click();
    void N41Click();
    void N51Click();
    void N61Click();
    void Label8Click();
    void Label3Click();
    void Label10Click();
    void Label9Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void N2Click();
    void N3Click();
    void N5Click();
    void N6Click();
    void N71Click();
    void N72Click();
    void N73Click();
    void N74Click();
    void N75Click();
    void N76Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void connectHandlers();

    // anchor: the place on the page to show marked (WebView::showPlace); empty, the top.
    void openChapter(int chapter, bool fromMenu, const QString &anchor = {});
    void openPage(std::initializer_list<platform::ClickableLabel *> shown, const QString &page,
                  const QString &anchor = {});
    // Shows the page and stores it as the student's, unless the student's row is gone.
    void showAndStorePage(const QString &page, bool student, const QString &anchor = {});
    // Opens the review of the signed-in student's last graded test of the chapter.
    void reviewChapter(int chapter);

    QList<platform::ClickableLabel *> pageLabels() const;

    std::unique_ptr<Ui::TForm2> m_ui;
    bool m_exiting = false;
    bool m_centred = false;
};

extern TForm2 *Form2;

// Makes sure Result holds a row for the current student (UserTab) and chapter (GlavesTab);
// a new row gets the grade 0.
void PrepareResult();

// The time as the status bar shows it: the locale's long format (with seconds) without the zone.
QString longTimeText(const QLocale &locale, QTime time);
// The locale the status bar writes in: the system's, or Russian where the system names none.
QLocale statusLocale(const QLocale &system);

// The text announcing a test of the chapter (1..6).
QString launchMessage(int chapter, int questions, int minutes);

// Relative page path of chapter 1..6.
QString chapterPage(int chapter);
// Relative page path of the introduction.
QString introductionPage();
