#include "app/TeacherCommand.h"

#include "data/Connection.h"
#include "data/DbError.h"
#include "data/ServerSettings.h"
#include "data/TeacherPassword.h"

#include <QDir>
#include <QString>

#include <optional>

#include <termios.h>
#include <unistd.h>

namespace {

void say(std::FILE *err, const QString &text)
{
    std::fprintf(err, "%s\n", text.toLocal8Bit().constData());
}

// One line without its line end; nothing at the end of input.
std::optional<QString> readLine(std::FILE *in)
{
    QByteArray line;
    int c = 0;
    while ((c = std::fgetc(in)) != EOF && c != '\n')
        line.append(char(c));
    if (c == EOF && line.isEmpty())
        return std::nullopt;
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromLocal8Bit(line);
}

// Reads a line from a terminal with its echo off, restoring the echo whatever happens.
std::optional<QString> readHidden(std::FILE *in, std::FILE *err, const QString &prompt)
{
    std::fprintf(err, "%s", prompt.toLocal8Bit().constData());
    std::fflush(err);
    const int fd = fileno(in);
    termios saved{};
    const bool terminal = tcgetattr(fd, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    const std::optional<QString> line = readLine(in);
    if (terminal) {
        tcsetattr(fd, TCSAFLUSH, &saved);
        std::fprintf(err, "\n");
    }
    return line;
}

} // namespace

bool wantsTeacherPassword(const QStringList &arguments)
{
    return arguments.contains(QStringLiteral("--set-teacher-password"));
}

int setTeacherPasswordCommand(std::FILE *in, std::FILE *err)
{
    std::optional<QString> password;
    if (isatty(fileno(in))) {
        password = readHidden(in, err, QStringLiteral("Новый пароль преподавателя: "));
        const std::optional<QString> again = readHidden(in, err, QStringLiteral("Повторите пароль: "));
        if (password && again != password) {
            say(err, QStringLiteral("Пароли не совпадают; пароль не изменён."));
            return 1;
        }
    } else {
        password = readLine(in);
    }
    if (!password || password->isEmpty()) {
        say(err, QStringLiteral("Пароль не введён; пароль не изменён."));
        return 1;
    }
    try {
        Connection connection;
        pointAtDatabase(connection, QDir::currentPath() + u'/');
        if (connection.isServer()) {
            say(err, QStringLiteral("Учебник подключён к серверу %1: на сервере преподаватель входит своей ролью "
                                    "velanika_teacher, её пароль меняет администратор сервера. Пароль не изменён.")
                         .arg(connection.place()));
            return 1;
        }
        setTeacherPassword(connection, *password);
        say(err, QStringLiteral("Пароль преподавателя сохранён в %1.").arg(connection.place()));
        return 0;
    } catch (const DbError &e) {
        say(err, QStringLiteral("Пароль преподавателя не сохранён.\n%1").arg(e.message()));
        return 1;
    }
}
