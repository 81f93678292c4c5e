// The line-ID page for switch types with SPIDs: a SPID and a directory number per channel.
#pragma once

#include "wizard/pages/CConfigPage.h"

namespace wiz {

class CConfigPropertyPage9 : public CConfigPage {
public:
    CConfigPropertyPage9();

    QLineEdit* Channel1SpidBox() const { return boxes_[0]; }
    QLineEdit* Channel1DirNoBox() const { return boxes_[1]; }
    QLineEdit* Channel2SpidBox() const { return boxes_[2]; }
    QLineEdit* Channel2DirNoBox() const { return boxes_[3]; }

protected:
    QString SummaryLines() const override;
    void BuildPage(QVBoxLayout* body) override;
    void LoadControls() override;
    bool StoreControls() override;
    void OnDestroyWindow() override;

private:
    // In the order the boxes sit: channel 1 SPID, channel 1 number, channel 2 SPID, channel 2 number.
    QString texts_[4];
    QLineEdit* boxes_[4] = {};
};

} // namespace wiz
