#include "reader/ui_FindBar.h"

#include "reader/FindBar.h"

#include "platform/FormFonts.h"
#include "platform/WebView.h"

#include <QKeyEvent>

namespace reader {

FindBar::FindBar(platform::WebView *view, QWidget *parent)
    : QFrame(parent), m_ui(std::make_unique<Ui::FindBar>()), m_view(view)
{
    m_ui->setupUi(this);
    platform::applyPixelFonts(this);
    FindEdit = m_ui->FindEdit;
    FindPrevious = m_ui->FindPrevious;
    FindNext = m_ui->FindNext;
    FindCount = m_ui->FindCount;
    FindClose = m_ui->FindClose;
    hide();
    FindEdit->installEventFilter(this);
    connectHandlers();
}

FindBar::~FindBar() = default;

void FindBar::connectHandlers()
{
    connect(FindEdit, &QLineEdit::textChanged, this, &FindBar::textChanged);
    connect(FindEdit, &QLineEdit::returnPressed, this, &FindBar::findNext);
    connect(FindNext, &QToolButton::clicked, this, &FindBar::findNext);
    connect(FindPrevious, &QToolButton::clicked, this, &FindBar::findPrevious);
    connect(FindClose, &QToolButton::clicked, this, &FindBar::close);
    connect(m_view, &platform::WebView::found, this, &FindBar::showFound);
    connect(m_view, &platform::WebView::loadFinished, this, &FindBar::pageLoaded);
}

void FindBar::open()
{
    if (!isVisible()) {
        show();
        raise();
        Q_EMIT shownChanged(true);
        if (!FindEdit->text().isEmpty())
            m_view->find(FindEdit->text());
    }
    FindEdit->setFocus();
    FindEdit->selectAll();
}

void FindBar::findNext()
{
    if (!isVisible()) {
        open();
        return;
    }
    m_view->find(FindEdit->text());
}

void FindBar::findPrevious()
{
    if (!isVisible()) {
        open();
        return;
    }
    m_view->find(FindEdit->text(), true);
}

void FindBar::close()
{
    if (!isVisible())
        return;
    m_view->find({});
    hide();
    FindCount->clear();
    Q_EMIT shownChanged(false);
    m_view->setFocus();
}

void FindBar::textChanged()
{
    m_view->find(FindEdit->text());
}

void FindBar::pageLoaded()
{
    // Another page: its own matches.
    if (isVisible() && !FindEdit->text().isEmpty())
        m_view->find(FindEdit->text());
}

void FindBar::showFound(int active, int count)
{
    if (FindEdit->text().isEmpty())
        FindCount->clear();
    else if (count == 0)
        FindCount->setText(QStringLiteral("Не найдено"));
    else
        FindCount->setText(QStringLiteral("%1 из %2").arg(active).arg(count));
}

void FindBar::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QFrame::keyPressEvent(event);
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    // Shift+Enter in the text goes back, as Shift+F3 does.
    if (watched == FindEdit && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() & Qt::ShiftModifier) {
            findPrevious();
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

} // namespace reader
