#include "wizard/framework/ListAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QItemSelectionModel>
#include <QListView>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QWindow>

#include <utility>
#include <vector>

namespace wiz {
namespace {

// One entry of the list. It follows its row through sorting; once the row is gone it
// reports itself invalid until the list drops it.
class EntryAccessible : public QAccessibleInterface {
public:
    EntryAccessible(QListView* view, const QModelIndex& index) : view_(view), index_(index) {}

    bool isValid() const override { return view_ && index_.isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(view_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    void setText(QAccessible::Text, const QString&) override {}
    QAccessible::Role role() const override { return QAccessible::ListItem; }

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !isValid()) return QString();
        QString name = index_.data(Qt::AccessibleTextRole).toString();
        return name.isEmpty() ? index_.data(Qt::DisplayRole).toString() : name;
    }

    QRect rect() const override {
        if (!isValid()) return QRect();
        QRect r = view_->visualRect(index_);
        return QRect(view_->viewport()->mapToGlobal(r.topLeft()), r.size());
    }

    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.focusable = true;
        s.selected = view_->selectionModel() && view_->selectionModel()->isSelected(index_);
        // Only the list that has the keyboard has a focused entry.
        s.focused = view_->hasFocus() && view_->currentIndex() == QModelIndex(index_);
        s.invisible = !view_->isVisible();
        s.offscreen = !view_->viewport()->rect().intersects(view_->visualRect(index_));
        return s;
    }

    int Row() const { return index_.row(); }
    const QListView* View() const { return view_; }

private:
    QPointer<QListView> view_;
    QPersistentModelIndex index_;
};

// The list itself: a widget interface, which names the label whose buddy it is, with the
// rows of its model as children, in the order Qt's item-view events count them.
class ListAccessible : public QAccessibleWidget {
public:
    explicit ListAccessible(QListView* view) : QAccessibleWidget(view, QAccessible::List) {}

    ~ListAccessible() override {
        for (const auto& entry : entries_) QAccessible::deleteAccessibleInterface(entry.second);
    }

    int childCount() const override {
        const QAbstractItemModel* model = View()->model();
        return model ? model->rowCount(View()->rootIndex()) : 0;
    }

    QAccessibleInterface* child(int row) const override {
        if (row < 0 || row >= childCount()) return nullptr;
        QModelIndex index = View()->model()->index(row, View()->modelColumn(), View()->rootIndex());
        for (auto it = entries_.begin(); it != entries_.end();) {
            if (it->first == index) return QAccessible::accessibleInterface(it->second);
            if (it->first.isValid()) {
                ++it;
                continue;
            }
            QAccessible::deleteAccessibleInterface(it->second);
            it = entries_.erase(it);
        }
        auto* entry = new EntryAccessible(View(), index);
        entries_.emplace_back(QPersistentModelIndex(index), QAccessible::registerAccessibleInterface(entry));
        return entry;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        auto* entry = dynamic_cast<const EntryAccessible*>(child);
        return entry && entry->View() == View() ? entry->Row() : -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        QModelIndex index = View()->indexAt(View()->viewport()->mapFromGlobal(QPoint(x, y)));
        return index.isValid() ? child(index.row()) : nullptr;
    }

    QAccessibleInterface* focusChild() const override {
        QModelIndex current = View()->currentIndex();
        return View()->hasFocus() && current.isValid() ? child(current.row()) : nullptr;
    }

private:
    QListView* View() const { return static_cast<QListView*>(widget()); }

    mutable std::vector<std::pair<QPersistentModelIndex, QAccessible::Id>> entries_;
};

} // namespace

QAccessibleInterface* MakeListAccessible(QListView* list) {
    return new ListAccessible(list);
}

} // namespace wiz
