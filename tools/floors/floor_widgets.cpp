// The lower bound for start-up: the least a Qt Widgets program does to put one window with a
// line of Cyrillic text on screen.
#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Приветствие"));
    window.setWindowTitle(QStringLiteral("Floor widgets"));
    window.resize(400, 300);
    window.show();
    return QApplication::exec();
}
