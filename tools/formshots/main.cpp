// Draws every window of the program, in the states a student sees, into PNG files, so that a
// change to how the windows are made can be compared picture by picture with what came before
// (tools/compare-forms.sh). Runs offscreen on a copy of the runnable folder, with the light page
// view, a fixed clock and answered message boxes, so two runs of the same build draw the same.
// Usage: formshots <runnable folder> <output folder>

#include "app/Unit4.h"
#include "app/WindowSet.h"
#include "data/TableCursor.h"
#include "data/Unit8.h"
#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramPaths.h"
#include "platform/WebView.h"
#include "reader/Unit2.h"
#include "side/Unit10.h"
#include "side/Unit11.h"
#include "side/Unit5.h"
#include "side/Unit7.h"
#include "side/Unit9.h"
#include "signin/Unit1.h"
#include "stats/Unit3.h"
#include "testing/Unit6.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

class FixedClock : public platform::Clock
{
public:
    QDateTime now() const override { return QDateTime(QDate(2026, 9, 1), QTime(10, 15, 30)); }
};

void copyTree(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString src = it.next();
        const QString rel = QDir(from).relativeFilePath(src);
        if (it.fileInfo().isDir())
            QDir().mkpath(to + u'/' + rel);
        else
            QFile::copy(src, to + u'/' + rel);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: formshots <runnable folder> <output folder>\n");
        return 2;
    }
    const QString source = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString out = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    QDir().mkpath(out);

    QTemporaryDir work;
    QFile::copy(source + QStringLiteral("/Data.mdb"), work.filePath(QStringLiteral("Data.mdb")));
    QFile(work.filePath(QStringLiteral("Data.mdb"))).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    copyTree(source + QStringLiteral("/Glaves"), work.filePath(QStringLiteral("Glaves")));
    copyTree(source + QStringLiteral("/Present"), work.filePath(QStringLiteral("Present")));
    QDir::setCurrent(work.path());

    QApplication::setQuitOnLastWindowClosed(false);
    platform::setProgramFolder(work.path() + u'/');
    platform::WebView::setDefaultBackend(platform::WebView::Backend::TextBrowser);
    FixedClock fixedClock;
    platform::setClock(&fixedClock);
    platform::ScriptedMessageBoxes boxes;

    int shots = 0;
    const auto shoot = [&](QWidget *window, const char *name) {
        window->show();
        QApplication::processEvents();
        window->grab().save(out + u'/' + QString::fromLatin1(name) + QStringLiteral(".png"));
        ++shots;
    };

    const auto windows = WindowSet::everyWindow();
    shoot(Form4, "greeting");
    Form4->hide();

    shoot(Form1, "signin");
    Form1->SpeedButton1Click();
    shoot(Form1, "signin-registration");
    Form1->BitBtn3Click();
    Form1->SpeedButton2Click();
    shoot(Form1, "signin-login");
    Form1->BitBtn3Click();
    Form1->hide();

    Data->connectTo(platform::programFolder());
    Data->UserTab->append();
    Data->UserTab->fieldByName(QStringLiteral("фамилия")).setAsString(QStringLiteral("Петров Пётр"));
    Data->UserTab->fieldByName(QStringLiteral("специальность")).setAsString(QStringLiteral("ПО-21"));
    Data->UserTab->fieldByName(QStringLiteral("курс")).setAsString(QStringLiteral("3 - Курс"));
    Data->UserTab->post();
    Data->setStudentId(Data->UserTab->fieldByName(QStringLiteral("ID")).asInteger());
    Form2->setWindowTitle(QStringLiteral("Электроный учебник - Петров Пётр"));
    Form2->Label1Click();
    shoot(Form2, "reader-introduction");
    Form2->Label4Click();
    shoot(Form2, "reader-chapter3");

    Form2->BitBtn2Click();
    shoot(Form6, "test-question1");
    // Two answers in: the counters, the bars and a chosen answer.
    for (QRadioButton *answer : {Form6->RadioButton1, Form6->RadioButton2}) {
        answer->setChecked(true);
        Form6->Button1Click();
    }
    Form6->RadioButton3->setChecked(true);
    shoot(Form6, "test-question3");
    Form6->close();

    Form2->N2Click();
    shoot(Form3, "statistics");
    Form3->BitBtn1Click();
    shoot(Form3, "statistics-lists");
    Form3->close();

    Form10->fillAndShow();
    shoot(Form10, "presentations");
    Form10->close();

    shoot(Form5, "author");
    shoot(Form7, "customer");
    shoot(Form9, "manual-frameless");
    Form2->N3Click();
    shoot(Form11, "manual");

    platform::setClock(nullptr);
    QTextStream(stdout) << shots << " windows drawn into " << out << Qt::endl;
    return 0;
}
