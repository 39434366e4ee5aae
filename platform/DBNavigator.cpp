#include "platform/DBNavigator.h"

#include "data/TableCursor.h"
#include "platform/HandlerGuard.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>

#include <utility>

namespace platform {

namespace {

enum class Glyph
{
    First,
    Prior,
    Next,
    Last
};

// The navigator's triangles, with a bar for the ends of the table.
QIcon glyph(Glyph kind)
{
    const qreal ratio = 2.0;
    QPixmap pixmap(QSize(12, 12) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    const bool left = kind == Glyph::First || kind == Glyph::Prior;
    const bool bar = kind == Glyph::First || kind == Glyph::Last;
    const qreal tip = left ? 2.5 : 9.5;
    const qreal base = left ? 8.5 : 3.5;
    const qreal shift = bar ? (left ? 1.5 : -1.5) : 0.0;
    QPainterPath triangle;
    triangle.moveTo(tip + shift, 6);
    triangle.lineTo(base + shift, 1.5);
    triangle.lineTo(base + shift, 10.5);
    triangle.closeSubpath();
    p.drawPath(triangle);
    if (bar)
        p.drawRect(QRectF(left ? 1.5 : 9.0, 1.5, 1.5, 9.0));
    p.end();
    return QIcon(pixmap);
}

QPushButton *makeButton(QWidget *parent, const char *name, Glyph kind, const QString &hint)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(glyph(kind));
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    button->setMinimumSize(1, 1);
    return button;
}

} // namespace

DBNavigator::DBNavigator(QWidget *parent) : QWidget(parent)
{
    First = makeButton(this, "First", Glyph::First, QStringLiteral("Первая запись"));
    Prior = makeButton(this, "Prior", Glyph::Prior, QStringLiteral("Предыдущая запись"));
    Next = makeButton(this, "Next", Glyph::Next, QStringLiteral("Следующая запись"));
    Last = makeButton(this, "Last", Glyph::Last, QStringLiteral("Последняя запись"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QPushButton *b : {First, Prior, Next, Last})
        layout->addWidget(b);

    connect(First, &QPushButton::clicked, this, [this] { step(&TableCursor::first); });
    connect(Prior, &QPushButton::clicked, this, [this] { step(&TableCursor::prior); });
    connect(Next, &QPushButton::clicked, this, [this] { step(&TableCursor::next); });
    connect(Last, &QPushButton::clicked, this, [this] { step(&TableCursor::last); });
    updateButtons();
}

void DBNavigator::setDataSet(TableCursor *cursor)
{
    for (const QMetaObject::Connection &link : std::as_const(m_links))
        disconnect(link);
    m_links.clear();
    m_cursor = cursor;
    if (m_cursor) {
        m_links.append(connect(m_cursor, &TableCursor::recordChanged, this, &DBNavigator::updateButtons));
        m_links.append(connect(m_cursor, &TableCursor::rowsReset, this, &DBNavigator::updateButtons));
        m_links.append(connect(m_cursor, &TableCursor::activeChanged, this, &DBNavigator::updateButtons));
        m_links.append(connect(m_cursor, &QObject::destroyed, this, [this] {
            m_cursor = nullptr;
            updateButtons();
        }));
    }
    updateButtons();
}

void DBNavigator::step(void (TableCursor::*action)())
{
    if (!m_cursor)
        return;
    TableCursor *cursor = m_cursor;
    guarded([cursor, action] { (cursor->*action)(); });
    updateButtons();
}

void DBNavigator::updateButtons()
{
    const bool open = m_cursor && m_cursor->isOpen();
    const int row = open ? m_cursor->recNo() : -1;
    const int count = open ? m_cursor->recordCount() : 0;
    const bool back = open && row > 0;
    const bool forward = open && row >= 0 && row < count - 1;
    First->setEnabled(back);
    Prior->setEnabled(back);
    Next->setEnabled(forward);
    Last->setEnabled(forward);
}

} // namespace platform
