// Unit10: the presentations window (TForm10, "Презентации").

// The form before the header that declares the global Form10: its set-up takes the window under
// that name.
#include "side/ui_Unit10.h"

#include "side/Unit10.h"

#include "data/Connection.h"
#include "data/ServerSettings.h"
#include "data/TableCursor.h"
#include "platform/CourseFiles.h"
#include "platform/FormFonts.h"
#include "platform/HandlerGuard.h"
#include "platform/MessageBoxes.h"
#include "platform/ProgramPaths.h"
#include "platform/ShellOpen.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalBlocker>

TForm10 *Form10 = nullptr;

namespace {

// The table names files inside Present; a name that would reach elsewhere on the disk is
// refused rather than handed to the desktop to open.
bool staysInPresentFolder(const QString &file)
{
    const QString path = QString(file).replace(u'\\', u'/');
    if (path.startsWith(u'/'))
        return false;
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:"));
    if (drive.match(path).hasMatch())
        return false;
    const QStringList parts = path.split(u'/');
    return !parts.contains(QStringLiteral(".."));
}

} // namespace

TForm10::TForm10(QWidget *parent)
    : QWidget(parent), ADOConnection1(nullptr), tblPresent(nullptr), m_ui(std::make_unique<Ui::TForm10>())
{
    m_ui->setupUi(this);
    platform::applyPixelFonts(this);
    ComboBox1 = m_ui->ComboBox1;
    move(194, 129);
    // No completion: one keystroke is one change and opens one file.
    ComboBox1->setCompleter(nullptr);
    // The line edit's change covers typing and choosing an item alike, once per change.
    platform::connectHandler(ComboBox1, &QComboBox::editTextChanged, this, &TForm10::ComboBox1Change);

    ADOConnection1 = new Connection(this);
    ADOConnection1->setObjectName(QStringLiteral("ADOConnection1"));
    // Data.mdb in the current directory, the data folder; or the class's server when one is
    // configured there.
    pointAtDatabase(*ADOConnection1, QDir::currentPath() + u'/');
    tblPresent = new TableCursor(ADOConnection1, QStringLiteral("present"), this);
    tblPresent->setObjectName(QStringLiteral("tblPresent"));
    // A failure here is a failure to start: it leaves the constructor.
    FormCreate();
}

TForm10::~TForm10() = default;

QString TForm10::databaseFile()
{
    // A bare file name: Data.mdb wherever the program was started.
    return QDir::current().absoluteFilePath(QStringLiteral("Data.mdb"));
}

void TForm10::FormCreate()
{
    tblPresent->open();
}

void TForm10::fillAndShow()
{
    {
        // Filling the list is not a choice of the user: it opens nothing.
        const QSignalBlocker blocker(ComboBox1);
        if (ComboBox1->count() > 0) {
            ComboBox1->clear();
            ComboBox1->clearEditText();
        }
        const QString kept = ComboBox1->currentText();
        tblPresent->first();
        const int count = tblPresent->recordCount();
        for (int i = 0; i < count; ++i) {
            ComboBox1->addItem(tblPresent->fieldByName(QStringLiteral("tema")).asString());
            tblPresent->next();
        }
        // No item is chosen by the fill; the line keeps what it held.
        ComboBox1->setCurrentIndex(-1);
        ComboBox1->setEditText(kept);
        m_matchedTopic = -1;
    }
    show();
    raise();
    activateWindow();
}

void TForm10::ComboBox1Change()
{
    const QString text = ComboBox1->currentText();
    // Opening some other topic's file for a text that names none would be a surprise.
    if (text.isEmpty() ||
        !tblPresent->locate(QStringLiteral("tema"), text, LocateOption::CaseInsensitive | LocateOption::PartialKey)) {
        m_matchedTopic = -1;
        return;
    }
    // Every keystroke is a change: typing on through one topic's name opens its file once.
    const int matched = tblPresent->recNo();
    if (matched == m_matchedTopic)
        return;
    m_matchedTopic = matched;
    const QString topic = tblPresent->fieldByName(QStringLiteral("tema")).asString();
    const QString file = tblPresent->fieldByName(QStringLiteral("file")).asString();
    if (file.trimmed().isEmpty()) {
        platform::errorBox(QStringLiteral("Для темы «%1» не указан файл презентации.").arg(topic));
        return;
    }
    const QString outside = QStringLiteral("Файл презентации темы «%1» указан вне папки Present:\n%2\n\n"
                                           "Такой файл не открывается.")
                                .arg(topic, file);
    if (!staysInPresentFolder(file)) {
        platform::errorBox(outside);
        return;
    }
    // Installed beside the program, wherever the data folder is.
    const QString local = platform::contentFile(QStringLiteral("Present\\") + file);
    if (!QFileInfo(local).isFile()) {
        platform::errorBox(QStringLiteral("Файл презентации не найден: ") + QDir::toNativeSeparators(local));
        return;
    }
    // The real path counts too: a symbolic link inside Present may lead anywhere.
    if (!platform::insideCourseFolder(local, platform::CourseFolder::Presentations)) {
        platform::errorBox(outside);
        return;
    }
    platform::shellOpen(local);
}
