#pragma once

// A course database of its own on the test server, made by velanika-server init as a class's
// administrator makes it, with the roles of the students and of the teacher.

#include "data/Connection.h"
#include "data/DbError.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <QVariant>

#include <libpq-fe.h>

#include <functional>

inline QString testServer()
{
    return qEnvironmentVariable("VELANIKA_TEST_SERVER");
}

inline QString textbookDir()
{
    return qEnvironmentVariable("TEXTBOOK_DIR");
}

// Runs velanika-server; its output on failure.
inline QString runTool(const QStringList &arguments)
{
    QProcess tool;
    tool.start(textbookDir() + QStringLiteral("/velanika-server"), arguments);
    if (!tool.waitForFinished(120000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return QString::fromUtf8(tool.readAllStandardError() + tool.readAllStandardOutput()) + QStringLiteral(" ");
    return {};
}

inline QString errorOf(const std::function<void()> &fn)
{
    try {
        fn();
    } catch (const DbError &e) {
        return e.message();
    }
    return {};
}

// A course database of its own on the test server, made by velanika-server init.
class Course
{
public:
    Course()
    {
        m_name = QStringLiteral("course_") + QUuid::createUuid().toString(QUuid::Id128).left(12);
        m_error = runTool({QStringLiteral("--server"), admin(), QStringLiteral("init"), QStringLiteral("--course"),
                           textbookDir() + QStringLiteral("/Data.mdb"), QStringLiteral("--teacher-password"),
                           teacherPassword()});
    }
    ~Course()
    {
        PGconn *conn = PQconnectdb((testServer()).toUtf8().constData());
        PQsetNoticeProcessor(
            conn, [](void *, const char *) {}, nullptr);
        PQclear(
            PQexec(conn, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name).toUtf8().constData()));
        PQfinish(conn);
    }
    QString error() const { return m_error; }
    QString admin() const { return testServer() + QStringLiteral(" dbname=") + m_name; }
    QString student() const { return admin() + QStringLiteral(" user=velanika_student"); }
    // The teacher's password, the same for every course: the role belongs to the whole cluster.
    // Quote and backslash test how the desk passes it on.
    static QString teacherPassword() { return QStringLiteral("учитель 'к\\7"); }

    // As the administrator, in the stored tables.
    QVariant scalar(const QString &sql, const QVariantList &values = {}) const
    {
        Connection c;
        c.setServer(admin() + QStringLiteral(" options=-csearch_path=velanika_data"));
        const auto rows = c.query(sql, values);
        return rows->next() ? rows->value(0) : QVariant();
    }
    void exec(const QString &sql) const
    {
        Connection c;
        c.setServer(admin() + QStringLiteral(" options=-csearch_path=velanika_data"));
        c.backend().executeScript(sql);
    }

private:
    QString m_name;
    QString m_error;
};
