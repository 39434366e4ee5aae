#include "app/Startup.h"
#include "app/TeacherCommand.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (wantsTeacherPassword(arguments)) {
        QCoreApplication app(argc, argv);
        return setTeacherPasswordCommand(stdin, stderr);
    }
    prepareProcessEnvironment(arguments);
    QApplication app(argc, argv);
    return runTextbook();
}
