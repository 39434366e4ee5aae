#pragma once

#include "platform/Widgets.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMetaEnum>
#include <QRect>
#include <QTest>
#include <QWidget>

// A window form's key facts as one Qt Test table: each component under its name, its parent,
// where it lies (the window: its size; a size of -1 x -1: sized to its text, so only the place),
// what it says, its place in the tab order (-1: not a tab stop) and, for a button with a picture,
// its kind (Ok: the default button, Cancel: the cancel one).
namespace formfacts {

inline void addColumns()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("kind");
}

inline void row(const char *name, const char *parent, const char *text, QRect geometry, int tab = -1,
                const char *kind = "")
{
    QTest::newRow(name) << QString::fromUtf8(name) << QString::fromUtf8(parent) << QString::fromUtf8(text) << geometry
                        << tab << QString::fromLatin1(kind);
}

// Checks the current row against the window.
inline void check(QWidget *window)
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QString, text);
    QFETCH(QRect, geometry);
    QFETCH(int, tab);
    QFETCH(QString, kind);
    QWidget *w = name == window->objectName() ? window : window->findChild<QWidget *>(name);
    QVERIFY(w);
    QCOMPARE(w->parentWidget() ? w->parentWidget()->objectName() : QString(), parent);
    if (geometry.size() != QSize(-1, -1))
        QCOMPARE(w->size(), geometry.size());
    if (w != window)
        QCOMPARE(w->pos(), geometry.topLeft());
    QString shown = w->windowTitle();
    if (auto *l = qobject_cast<QLabel *>(w))
        shown = l->text();
    else if (auto *b = qobject_cast<QAbstractButton *>(w))
        shown = b->text();
    else if (auto *g = qobject_cast<QGroupBox *>(w))
        shown = g->title();
    QCOMPARE(shown, text);
    if (auto *b = qobject_cast<platform::BitBtn *>(w)) {
        QCOMPARE(QString::fromLatin1(QMetaEnum::fromType<platform::BitBtn::Kind>().valueToKey(int(b->kind()))),
                 kind.isEmpty() ? QStringLiteral("Custom") : kind);
        // A button of a kind shows the kind's picture.
        QCOMPARE(b->icon().isNull(), kind.isEmpty());
    }
    int position = 0;
    for (QWidget *next = window->nextInFocusChain(); next != window && next != w; next = next->nextInFocusChain()) {
        if (next->focusPolicy() & Qt::TabFocus)
            ++position;
    }
    QCOMPARE(w->focusPolicy() & Qt::TabFocus ? position : -1, tab);
}

} // namespace formfacts
