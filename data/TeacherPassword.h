#pragma once

#include <QByteArray>
#include <QString>

class Connection;

// The teacher's password, kept in the table Teacher as a salted PBKDF2-HMAC-SHA256 digest: the
// file is readable by every student of a class-room folder, so it must not tell the password.

// PBKDF2 with HMAC-SHA256 (RFC 8018), length bytes of key.
QByteArray pbkdf2Sha256(const QByteArray &password, const QByteArray &salt, int iterations, int length);

// Iterations for a new digest: slow enough to make guessing from a copied file costly, quick
// enough for one check at the desk.
constexpr int teacherPasswordIterations = 120000;

// Replaces the password (a new random salt each time), in one transaction; the table is made when
// the file lacks it. An empty password is refused (DbError).
void setTeacherPassword(Connection &connection, const QString &password, int iterations = teacherPasswordIterations);
// False while no password has been set.
bool hasTeacherPassword(Connection &connection);
// Whether the password is the teacher's; false while none is set.
bool checkTeacherPassword(Connection &connection, const QString &password);

// Seconds the desk waits before it takes another try after this many wrong passwords in a row:
// none for the first two slips, then doubling from 2 s up to a minute.
int refusalDelaySeconds(int failures);
