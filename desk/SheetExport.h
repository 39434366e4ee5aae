#pragma once

#include "data/GradeSheet.h"

#include <QByteArray>
#include <QDate>
#include <QString>

class QPagedPaintDevice;

// Writes the bytes to the file whole or not at all; returns why it failed, in Russian, or empty.
QString writeFile(const QString &path, const QByteArray &bytes);

// The sheet as a document for paper or PDF: a title with the date, then one table.
QString sheetHtml(const GradeSheet &sheet, const QDate &date);
void printSheet(const GradeSheet &sheet, const QDate &date, QPagedPaintDevice *printer);
