// The line-ID page for switch types without SPIDs: one directory number for both channels.
#pragma once

#include "wizard/pages/CConfigPage.h"

namespace wiz {

class CConfigPropertyPage10 : public CConfigPage {
public:
    CConfigPropertyPage10();

    QLineEdit* DirNoBox() const { return box_; }

protected:
    QString SummaryLines() const override;
    void BuildPage(QVBoxLayout* body) override;
    void LoadControls() override;
    bool StoreControls() override;
    void OnDestroyWindow() override;

private:
    QString text_;
    QLineEdit* box_ = nullptr;
};

} // namespace wiz
