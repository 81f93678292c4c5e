// "Compare...": what the Quillet a snapshot names holds differently from it, read off
// the GUI thread and shown in the Changes window's grouped view, with the restore of
// the same snapshot offered from there. Nothing is sent to the Quillet.
#pragma once

#include <QString>

class QWidget;

namespace wiz {

// Reads the snapshot at `path` (a file that is not one gets the restore's message),
// logs in to its Quillet, asking for the present password when none it knows opens it,
// and shows the differences over `parent`. Restore... there runs RestoreFromFile.
void CompareFromFile(QWidget* parent, const QString& path);

} // namespace wiz
