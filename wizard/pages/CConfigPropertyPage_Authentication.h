// The authentication page: the ISP account name and password.
#pragma once

#include "wizard/pages/CConfigPage.h"

namespace wiz {

class CConfigPropertyPage_Authentication : public CConfigPage {
public:
    CConfigPropertyPage_Authentication();

    QLineEdit* NameBox() const { return name_; }
    QLineEdit* PasswordBox() const { return password_; }
    QLineEdit* ConfirmBox() const { return confirm_; }

protected:
    QString SummaryLines() const override;
    void BuildPage(QVBoxLayout* body) override;
    void LoadControls() override;
    bool StoreControls() override;
    void OnDestroyWindow() override;

private:
    QString nameText_;
    QLineEdit* name_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* confirm_ = nullptr;
};

} // namespace wiz
