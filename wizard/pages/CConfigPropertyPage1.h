// The password page: the administration password, typed twice.
#pragma once

#include "wizard/pages/CConfigPage.h"

namespace wiz {

class CConfigPropertyPage1 : public CConfigPage {
public:
    CConfigPropertyPage1();

    bool OnSetActive() override;

    QLineEdit* PasswordBox() const { return passwordBox_; }
    QLineEdit* ConfirmBox() const { return confirmBox_; }
    QLabel* ExplanatoryText() const { return text_; }

protected:
    void BuildPage(QVBoxLayout* body) override;
    void LoadControls() override;
    bool StoreControls() override;
    void OnDestroyWindow() override;

private:
    QString password_;
    QString confirm_;
    QString explanatory_;
    QLineEdit* passwordBox_ = nullptr;
    QLineEdit* confirmBox_ = nullptr;
    QLabel* text_ = nullptr;
};

} // namespace wiz
