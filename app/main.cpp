#include "app/Startup.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    prepareProcessEnvironment(arguments);
    QApplication app(argc, argv);
    return runTextbook();
}
