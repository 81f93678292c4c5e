// A list box as assistive tools see it: a list of named entries that also says which label
// names it. Qt's own interface for item views reports no relations, so a screen reader on
// the list could not tell what the list is for.
#pragma once

class QAccessibleInterface;
class QListView;

namespace wiz {

// For the accessibility factory: the interface of a list box; the cache owns it.
QAccessibleInterface* MakeListAccessible(QListView* list);

} // namespace wiz
