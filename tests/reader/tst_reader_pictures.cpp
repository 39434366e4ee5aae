#include "platform/Widgets.h"
#include "reader/Unit2.h"
#include "signin/Unit1.h"
#include "testing/Unit6.h"
#include "tests/support/WindowFixture.h"

#include <QFile>
#include <QTest>

namespace {

// The image plugins mapped into this process.
QStringList loadedImagePlugins()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return {QStringLiteral("no /proc/self/maps")};
    QStringList plugins;
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const qsizetype at = line.indexOf("/imageformats/");
        if (at < 0)
            continue;
        const QString name = QString::fromLocal8Bit(line.mid(at + 14));
        if (!plugins.contains(name))
            plugins << name;
    }
    return plugins;
}

} // namespace

// Its own process: once any picture is read the usual way, every image plugin on the machine
// stays loaded, a megabyte or more.
class TestReaderPictures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The windows' pictures, the style's icons and group box frames, and a page figure are read
    // as JPEG or PNG: no other image plugin is loaded.
    void picturesLoadNoOtherImagePlugin()
    {
        QApplication::setStyle(new platform::PngIconStyle); // as the program has it
        WindowFixture f;
        f.addStudent(QStringLiteral("Иванов"));
        f.signInDirectly(QStringLiteral("Иванов"));
        Form2->Label4Click(); // chapter 3, with a figure
        for (QWidget *window :
             {static_cast<QWidget *>(Form1), static_cast<QWidget *>(Form2), static_cast<QWidget *>(Form6)})
            QVERIFY(!window->grab().isNull());
        QVERIFY(f.boxes.records.isEmpty());
        QCOMPARE(loadedImagePlugins(), QStringList{QStringLiteral("libqjpeg.so")});
    }
};

QTEST_MAIN(TestReaderPictures)
#include "tst_reader_pictures.moc"
