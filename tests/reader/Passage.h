#pragma once

// One table of places on a page, run with each page view: the page opens scrolled to the passage
// and shows it marked; an anchor the page lacks opens it at the top, unmarked.

#include "platform/PageEngine.h"
#include "platform/WebView.h"
#include "reader/Unit2.h"
#include "tests/support/WindowFixture.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <functional>

namespace passage {

inline void addRows()
{
    QTest::addColumn<QString>("anchor");
    QTest::addColumn<bool>("marked");
    QTest::newRow("anchor on the page") << QStringLiteral("here") << true;
    QTest::newRow("anchor not on the page") << QStringLiteral("nowhere") << false;
}

inline bool showsMark(const QImage &shot)
{
    const QRgb mark = QColor(QString::fromLatin1(platform::passageColour)).rgb();
    for (int y = 0; y < shot.height(); y += 2) {
        for (int x = 0; x < shot.width(); x += 2) {
            if ((shot.pixel(x, y) & 0xffffff) == (mark & 0xffffff))
                return true;
        }
    }
    return false;
}

// scrolled: whether the view shows the page away from its top.
inline void run(WindowFixture &f, const std::function<bool()> &scrolled)
{
    QFETCH(QString, anchor);
    QFETCH(bool, marked);
    QString html = QStringLiteral("<html><body>");
    for (int i = 0; i < 80; ++i)
        html += QStringLiteral("<p>Текст главы.</p>");
    html += QStringLiteral("<p id=\"here\">Абзац, который объясняет ответ.</p>");
    for (int i = 0; i < 80; ++i)
        html += QStringLiteral("<p>Текст главы.</p>");
    QFile page(f.folder.path() + QStringLiteral("Glaves/Place.htm"));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write(html.toUtf8() + "</body></html>");
    page.close();

    platform::WebView *view = Form2->WebBrowser1;
    Form2->show();
    QSignalSpy loads(view, &platform::WebView::loadFinished);
    view->showPlace(f.folder.path() + QStringLiteral("Glaves\\Place.htm"), anchor);
    QVERIFY(!loads.isEmpty() || loads.wait(30000));
    if (marked) {
        QTRY_VERIFY_WITH_TIMEOUT(showsMark(view->grab().toImage()), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(scrolled(), 15000);
    } else {
        QVERIFY(!scrolled());
        QVERIFY(!showsMark(view->grab().toImage()));
    }
}

} // namespace passage
