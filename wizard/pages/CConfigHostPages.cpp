#include "wizard/pages/CConfigHostPages.h"

#include "router/IpAddress.h"
#include "router/ValueTables.h"
#include "wizard/framework/MessageBox.h"

#include <QLineEdit>
#include <QVBoxLayout>

namespace wiz {
namespace {

struct Traits {
    PageId id;
    int dialogId;
    const char* title;
    const char* text;
    const char* label;
    const char* accessibleName;
    const char* server;     // "FTP server": the refusal's words
    const char* aServer;    // "an FTP server"
    const char* prefix;     // before a checker's message
    const char* profileEntry;
    const char* summaryLabel;
    const char* sameNetwork;
    MsgIcon sameNetworkIcon;
};

const Traits& TraitsOf(int service) {
    static const Traits traits[4] = {
        {PageId::FtpHost, 118, "FTP Host",
         "If you wish to provide external access to file transfer (FTP) from your site, enter the Internet address "
         "of the computer on your network that will provide that service.\n\nIf you do not wish to provide file "
         "transfer service, leave the address field blank.",
         "File Transfer (FTP) Host &Internet Address", "File Transfer (FTP) Host Internet Address", "FTP server",
         "an FTP server", "FTP Address ", "FTPHost", "FTP Host:\t", nullptr, MsgIcon::Exclamation},
        {PageId::HttpHost, 119, "HTTP Host",
         "If you wish to provide external access to World Wide Web (HTTP) from your site, enter the Internet address "
         "of the computer on your network that will provide that service.\n\nIf you do not wish to provide Web "
         "service, leave the address field blank.",
         "World Wide Web (HTTP) Host &Internet Address", "World Wide Web (HTTP) Host Internet Address", "HTTP server",
         "an HTTP server", "HTTP Address ", "HTTPHost", "HTTP Host:\t",
         "The WWW server address you entered is not on the same network that you specified for the Quillet.  Are "
         "you sure that this is correct?\n\nPress Yes to continue, No to reenter the WWW server address, Cancel to "
         "abort the Wizard or F1 for more information",
         MsgIcon::Question},
        {PageId::SmtpHost, 120, "SMTP Host",
         "If you wish to provide external access to Internet Mail (SMTP) from your site, enter the Internet address "
         "of the computer that will provide that service.\n\nIf you do not wish to provide Internet Mail service, "
         "leave the address field blank.",
         "Internet Mail (SMTP) Host &Internet Address", "Internet Mail (SMTP) Host Internet Address", "SMTP server",
         "an SMTP server", "SMTP Address ", "SMTPHost", "SMTP Host:\t",
         "The Mail server address you entered is not on the same network that you specified for the Quillet.  Are "
         "you sure that this is correct?\n\nPress Yes to continue, No to reenter the Mail server address, Cancel to "
         "abort the Wizard or F1 for more information",
         MsgIcon::Question},
        {PageId::DnsHost, 124, "DNS Server Host",
         "If you wish to provide external access to a domain name server (DNS) from your site, enter the Internet "
         "address of the computer on your network that will provide that service.\n\nIf you do not wish to provide "
         "name service, leave the address field blank.",
         "Domain Name Service (DNS) Server &Internet Address", "Domain Name Service (DNS) Server Internet Address",
         "DNS server", "a DNS server", "DNS Address ", "DNSHost", "DNS Host:\t",
         "The Name Service server address you entered is not on the same network that you specified for the "
         "Quillet.  Are you sure that this is correct?\n\nPress Yes to continue, No to reenter the Name Service "
         "server address, Cancel to abort the Wizard or F1 for more information",
         MsgIcon::Question},
    };
    return traits[service];
}

} // namespace

CConfigHostPage::CConfigHostPage(Service service)
    : CConfigPage(TraitsOf(static_cast<int>(service)).id, TraitsOf(static_cast<int>(service)).dialogId,
                  QString::fromLatin1(TraitsOf(static_cast<int>(service)).title)),
      service_(service) {}

QString CConfigHostPage::OwnAddressText() const {
    const Traits& t = TraitsOf(static_cast<int>(service_));
    return QStringLiteral("You cannot use the IP address of the Quillet as your %1.  Please select the address of a "
                          "workstation on your network, or do not specify %2 by leaving the field blank.")
        .arg(QString::fromLatin1(t.server), QString::fromLatin1(t.aServer));
}

QString CConfigHostPage::SameNetworkText() const {
    const Traits& t = TraitsOf(static_cast<int>(service_));
    if (t.sameNetwork) return QString::fromLatin1(t.sameNetwork);
    return QStringLiteral("The File Transfer server address you entered ") +
           QString::fromUtf8(NotSameNetworkMessage.data(), static_cast<int>(NotSameNetworkMessage.size()));
}

void CConfigHostPage::BuildPage(QVBoxLayout* body) {
    const Traits& t = TraitsOf(static_cast<int>(service_));
    AddText(body, QString::fromLatin1(t.text));
    box_ = MakeEdit(QString::fromLatin1(t.accessibleName), 0);
    AddField(body, QString::fromLatin1(t.label), box_, QStringLiteral("Y"));
}

void CConfigHostPage::OnDestroyWindow() {
    box_ = nullptr;
    CConfigPage::OnDestroyWindow();
}

std::string CConfigHostPage::HostField() const {
    switch (service_) {
    case Service::Ftp: return settings_->FtpHost();
    case Service::Http: return settings_->HttpHost();
    case Service::Smtp: return settings_->SmtpHost();
    case Service::Dns: break;
    }
    return settings_->DnsHost();
}

bool CConfigHostPage::SetHostField(const std::string& text, std::string& message) {
    switch (service_) {
    case Service::Ftp: return settings_->SetFtpHost(text, message);
    case Service::Http: return settings_->SetHttpHost(text, message);
    case Service::Smtp: return settings_->SetSmtpHost(text, message);
    case Service::Dns: break;
    }
    return settings_->SetDnsHost(text, message);
}

void CConfigHostPage::ClearHostField() {
    switch (service_) {
    case Service::Ftp: settings_->ClearFtpHost(); return;
    case Service::Http: settings_->ClearHttpHost(); return;
    case Service::Smtp: settings_->ClearSmtpHost(); return;
    case Service::Dns: settings_->ClearDnsHost(); return;
    }
}

void CConfigHostPage::LoadControls() {
    text_ = QString::fromStdString(HostField());
    // A router that publishes nothing holds 0.0.0.0: shown as no host.
    if (text_ == QLatin1String("0.0.0.0")) text_.clear();
    box_->setText(text_);
}

bool CConfigHostPage::StoreControls() {
    const Traits& t = TraitsOf(static_cast<int>(service_));
    text_ = box_->text();
    if (!text_.isEmpty()) {
        if (text_.toStdString() == settings_->RouterAddress()) {
            FocusControl(box_);
            ShowMessage(OwnAddressText(), MsgButtons::Ok, MsgIcon::Exclamation);
            return false;
        }
        std::string message;
        if (!SetHostField(text_.toStdString(), message)) {
            FocusControl(box_);
            ShowMessage(QString::fromLatin1(t.prefix) + QString::fromStdString(message), MsgButtons::Ok,
                        MsgIcon::Exclamation);
            return false;
        }
    } else {
        ClearHostField();
    }
    WriteProfile(QString::fromLatin1(t.profileEntry), text_);
    return true;
}

bool CConfigHostPage::OnValidate() {
    IpAddress router(settings_->RouterAddress());
    IpAddress mask(settings_->RouterNetmask());
    IpAddress host(HostField());
    if (host.SameNetwork(router, mask)) return true;
    int answer = ShowMessage(SameNetworkText(), MsgButtons::YesNoCancel,
                             TraitsOf(static_cast<int>(service_)).sameNetworkIcon, 4098);
    if (answer == IdYes) return true;
    if (answer == IdCancel) Sheet()->PressButton(WizardSheet::Button::Cancel);
    return false;
}

int CConfigHostPage::OnWizardNext() {
    if (!UpdateData(true)) return -1;
    if (!text_.isEmpty() && !OnValidate()) return -1;
    nextPage_ = host_->ChosenNextPage(Id());
    host_->AddNextPage(nextPage_);
    summaryText_ = SummaryLines();
    return 0;
}

QString CConfigHostPage::SummaryLines() const {
    return QString::fromLatin1(TraitsOf(static_cast<int>(service_)).summaryLabel) + text_ + QStringLiteral("\r\n");
}

} // namespace wiz
