// The switch-type page: the central office's ISDN switch, from a sorted list.
#pragma once

#include "wizard/pages/CConfigPage.h"

class QListWidget;

namespace wiz {

class CConfigPropertyPage3 : public CConfigPage {
public:
    CConfigPropertyPage3();

    QListWidget* SwitchList() const { return list_; }
    // Selects the entry with this text; false when there is none.
    bool SelectSwitchType(const QString& name);

protected:
    QString SummaryLines() const override;
    void BuildPage(QVBoxLayout* body) override;
    void LoadControls() override;
    bool StoreControls() override;
    void OnDestroyWindow() override;

private:
    QString selection_;
    QListWidget* list_ = nullptr;
};

} // namespace wiz
