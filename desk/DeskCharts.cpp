#include "desk/DeskCharts.h"

#include "platform/ProgramPaths.h"

#include <QLibrary>

const DeskCharts *deskCharts()
{
    static const DeskCharts *const loaded = []() -> const DeskCharts * {
        const QString file = platform::moduleFile(QStringLiteral(TEXTBOOK_DESK_MODULE));
        if (file.isEmpty())
            return nullptr;
        // Kept loaded for the life of the process: QLibrary's destructor does not unload.
        QLibrary module(file);
        if (auto entry = reinterpret_cast<DeskChartsEntry>(module.resolve(VELANIKA_DESK_CHARTS_ENTRY)))
            return entry();
        qWarning("Desk module not loaded, the desk has no chart nor print preview: %s",
                 qPrintable(module.errorString()));
        return nullptr;
    }();
    return loaded;
}
