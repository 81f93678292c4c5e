#include "wizard/pages/CConfigPropertyPage3.h"

#include "router/ValueTables.h"

#include <QListWidget>
#include <QStyle>
#include <QVBoxLayout>

namespace wiz {

CConfigPropertyPage3::CConfigPropertyPage3() : CConfigPage(PageId::SwitchType, 106, QStringLiteral("ISDN")) {}

void CConfigPropertyPage3::BuildPage(QVBoxLayout* body) {
    AddText(body, QStringLiteral(
                      "Your local telephone company should have already provided you with information on your ISDN "
                      "connection. You should refer to that information to answer questions with a \"T\" next to "
                      "them.\n\nPlease select the appropriate switch type from the list below."));
    list_ = new QListWidget();
    list_->setAccessibleName(QStringLiteral("Central Office ISDN Switch Type"));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    AddField(body, QStringLiteral("Central Office ISDN &Switch Type"), list_, QStringLiteral("T"));
    for (const SwitchType& t : SwitchTypes)
        list_->addItem(QString::fromUtf8(t.name.data(), static_cast<int>(t.name.size())));
    // The list box keeps its entries in alphabetical order.
    list_->sortItems(Qt::AscendingOrder);
    list_->setSortingEnabled(true);
    // Wide enough for its longest name beside a vertical scroll bar: no name is cut.
    list_->setMinimumWidth(list_->sizeHintForColumn(0) + 2 * list_->frameWidth() +
                           list_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4);
}

void CConfigPropertyPage3::OnDestroyWindow() {
    list_ = nullptr;
    CConfigPage::OnDestroyWindow();
}

bool CConfigPropertyPage3::SelectSwitchType(const QString& name) {
    for (int i = 0; i < list_->count(); ++i) {
        if (list_->item(i)->text() == name) {
            list_->setCurrentRow(i);
            return true;
        }
    }
    list_->clearSelection();
    list_->setCurrentRow(-1);
    return false;
}

void CConfigPropertyPage3::LoadControls() {
    selection_ = QString::fromStdString(settings_->SwitchType());
    SelectSwitchType(selection_);
}

bool CConfigPropertyPage3::StoreControls() {
    QList<QListWidgetItem*> selected = list_->selectedItems();
    selection_ = selected.isEmpty() ? QString() : selected.front()->text();
    settings_->SetSwitchType(selection_.toStdString());
    WriteProfile(QStringLiteral("ISDNSwitch"), selection_);
    return true;
}

QString CConfigPropertyPage3::SummaryLines() const {
    return QStringLiteral("ISDN Switch type:\t") + selection_ + QStringLiteral("\r\n");
}

} // namespace wiz
