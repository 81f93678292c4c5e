// Hands the keyboard back to the window that opened another one, once that one has
// closed. Left to itself the window manager activates a window of its own choosing, often
// one that a modal window blocks, and then no key reaches anything.
#pragma once

class QWidget;

namespace wiz {

// Raises and activates the window of `widget` (if it is still shown). The keyboard goes
// to `widget` when it is a control, else to the control that last held it there.
void ReturnFocus(QWidget* widget);

} // namespace wiz
