#include "wizard/framework/ReturnFocus.h"

#include <QWidget>

namespace wiz {

void ReturnFocus(QWidget* widget) {
    if (!widget || !widget->isVisible()) return;
    QWidget* window = widget->window();
    if (widget != window && widget->isEnabled()) widget->setFocus(Qt::ActiveWindowFocusReason);
    window->raise();
    window->activateWindow();
}

} // namespace wiz
