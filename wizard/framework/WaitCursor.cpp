#include "wizard/framework/WaitCursor.h"

#include <QApplication>
#include <QCursor>

namespace wiz {

void WaitCursor::On() {
    if (on_) return;
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    on_ = true;
}

void WaitCursor::Off() {
    if (!on_) return;
    QApplication::restoreOverrideCursor();
    on_ = false;
}

} // namespace wiz
