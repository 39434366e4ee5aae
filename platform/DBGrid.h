#pragma once

#include <QTableView>

namespace platform {

// A data-bound grid as on a desktop: compact rows sized to the font, a narrow row indicator
// column, headings on the left, whole rows chosen one at a time and nothing edited in place.
// Fill it with bindTableView().
class DBGrid : public QTableView
{
    Q_OBJECT
public:
    explicit DBGrid(QWidget *parent = nullptr);
};

} // namespace platform
