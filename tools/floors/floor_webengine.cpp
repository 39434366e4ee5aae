// The lower bound for a page view: the least a Qt WebEngine program does to show one local
// page in a window. Usage: floor_webengine <page.htm>
#include <QApplication>
#include <QUrl>
#include <QWebEngineView>

#include <unistd.h>

int main(int argc, char *argv[])
{
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    QWebEngineView view;
    view.setWindowTitle(QStringLiteral("Floor webengine"));
    view.resize(800, 600);
    if (argc > 1)
        view.setUrl(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1])));
    view.show();
    return QApplication::exec();
}
