#include "platform/QtTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace platform {

bool installRussianQtTexts()
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    bool all = true;
    for (const char *domain : {
             "qtbase",
#ifdef TEXTBOOK_WEBENGINE
             "qtwebengine",
#endif
         }) {
        auto *texts = new QTranslator(QCoreApplication::instance());
        if (texts->load(QLatin1String(domain) + QLatin1String("_ru"), folder)) {
            QCoreApplication::installTranslator(texts);
        } else {
            delete texts;
            all = false;
        }
    }
    return all;
}

} // namespace platform
