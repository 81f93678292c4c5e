// The FTP, HTTP, SMTP and DNS host pages: each the address of an office computer to publish.
// They differ only in their words and the field they fill; an empty box publishes nothing.
#pragma once

#include "wizard/pages/CConfigPage.h"

#include <string>

namespace wiz {

class CConfigHostPage : public CConfigPage {
public:
    QLineEdit* AddressBox() const { return box_; }

    int OnWizardNext() override;
    bool OnValidate() override;

    // The refusal of the router's own address.
    QString OwnAddressText() const;
    QString SameNetworkText() const;

protected:
    enum class Service { Ftp, Http, Smtp, Dns };
    explicit CConfigHostPage(Service service);

    QString SummaryLines() const override;
    void BuildPage(QVBoxLayout* body) override;
    void LoadControls() override;
    bool StoreControls() override;
    void OnDestroyWindow() override;

    std::string HostField() const;
    bool SetHostField(const std::string& text, std::string& message);
    void ClearHostField();

    Service service_;
    QString text_;
    QLineEdit* box_ = nullptr;
};

class CConfigPropertyPage_FTPHost : public CConfigHostPage {
public:
    CConfigPropertyPage_FTPHost() : CConfigHostPage(Service::Ftp) {}
};

class CConfigPropertyPage_HTTPHost : public CConfigHostPage {
public:
    CConfigPropertyPage_HTTPHost() : CConfigHostPage(Service::Http) {}
};

class CConfigPropertyPage_SMTPHost : public CConfigHostPage {
public:
    CConfigPropertyPage_SMTPHost() : CConfigHostPage(Service::Smtp) {}
};

class CConfigPropertyPage_DNSHost : public CConfigHostPage {
public:
    CConfigPropertyPage_DNSHost() : CConfigHostPage(Service::Dns) {}
};

} // namespace wiz
