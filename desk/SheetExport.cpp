#include "desk/SheetExport.h"

#include <QPagedPaintDevice>
#include <QSaveFile>
#include <QTextDocument>

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("Не удалось записать файл %1:\n%2").arg(path, file.errorString());
    return {};
}

QString sheetHtml(const GradeSheet &sheet, const QDate &date)
{
    QString html = QStringLiteral("<h3>Ведомость на %1</h3><table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">"
                                  "<tr><th>Фамилия</th><th>Специальность</th><th>Курс</th>")
                       .arg(date.toString(QStringLiteral("dd.MM.yyyy")));
    for (const SheetChapter &chapter : sheet.chapters)
        html += QStringLiteral("<th>%1</th>").arg(chapter.caption.toHtmlEscaped());
    html += QStringLiteral("<th>Попыток</th><th>Последняя страница</th><th>Открыто страниц</th></tr>");
    for (const SheetRow &row : sheet.rows) {
        html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td>")
                    .arg(row.name.toHtmlEscaped(), row.specialty.toHtmlEscaped(), row.course.toHtmlEscaped());
        for (int grade : row.grades)
            html += QStringLiteral("<td align=\"center\">%1</td>").arg(grade > 0 ? QString::number(grade) : QString());
        html += QStringLiteral("<td align=\"center\">%1</td><td>%2</td><td align=\"center\">%3 из %4</td></tr>")
                    .arg(row.attempts)
                    .arg(row.lastPage.toHtmlEscaped())
                    .arg(row.pagesOpened)
                    .arg(coursePages().size());
    }
    return html + QStringLiteral("</table>");
}

void printSheet(const GradeSheet &sheet, const QDate &date, QPagedPaintDevice *printer)
{
    QTextDocument document;
    document.setHtml(sheetHtml(sheet, date));
    document.print(printer);
}
