#include "app/Startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    prepareProcessEnvironment();
    QApplication app(argc, argv);
    return runTextbook();
}
