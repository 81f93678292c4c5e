#include "wizard/pages/CConfigPropertyIPAddressPage.h"

#include "router/IpAddress.h"
#include "router/ValueTables.h"
#include "run/Driver.h"
#include "wizard/framework/MessageBox.h"
#include "wizard/pages/WizardRun.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <arpa/inet.h>

namespace wiz {

using VLQLWizUIControl::StepMachine;

const char* const CConfigPropertyIPAddressPage::LookingText = "Looking for Quillet ...\r\nThis may take 1-2 minutes.";

const char* const CConfigPropertyIPAddressPage::NoQuilletText =
    "No Quillet with the IP address you entered was found.\n\nIf you are performing an install on a new "
    "Quillet that has never been configured, this is normal.  In this case, press Yes to continue the "
    "installation. \n\nIf you are trying to update the configuration of an existing Quillet, this message "
    "indicates that the Quillet cannot be found.  In this case, please press No to verify and reenter the "
    "IP address, or F1 for more information.\n\nPress Yes to continue, No to reenter the IP Address, or "
    "Cancel to abort the Wizard.";

CConfigPropertyIPAddressPage::CConfigPropertyIPAddressPage()
    : CConfigPage(PageId::RouterAddress, 105, QStringLiteral("Internet Address")) {}

bool CConfigPropertyIPAddressPage::OnSetActive() {
    bool shown = CConfigPage::OnSetActive();
    Sheet()->SetWizardButtons(WizardSheet::WizBack | WizardSheet::WizNext);
    return shown;
}

void CConfigPropertyIPAddressPage::OnSheetDone() {
    SetBusy(false);
    probing_ = false;
}

void CConfigPropertyIPAddressPage::BuildPage(QVBoxLayout* body) {
    AddText(body, QStringLiteral(
                      "Your Internet service provider (ISP) should have already provided you with information on "
                      "your Internet connection. You should refer to that information to answer questions with an "
                      "\"ISP\" next to them."));
    addressBox_ = MakeEdit(QStringLiteral("Quillet's Internet (IP) Address"), 0);
    maskBox_ = MakeEdit(QStringLiteral("Network Mask"), 0);
    AddField(body, QStringLiteral("Quillet's &Internet (IP) Address"), addressBox_, QStringLiteral("ISP"));
    AddField(body, QStringLiteral("Network &Mask"), maskBox_, QStringLiteral("ISP"));
    status_ = MakeStatusLabel(QStringLiteral("Status"));
    body->addWidget(status_);
    // Room for the two lines shown while looking, so the page need not grow for them.
    status_->setMinimumHeight(2 * status_->fontMetrics().lineSpacing());
}

void CConfigPropertyIPAddressPage::OnDestroyWindow() {
    addressBox_ = maskBox_ = nullptr;
    status_ = nullptr;
    CConfigPage::OnDestroyWindow();
}

void CConfigPropertyIPAddressPage::LoadControls() {
    address_ = QString::fromStdString(settings_->RouterAddress());
    mask_ = QString::fromStdString(settings_->RouterNetmask());
    addressBox_->setText(address_);
    maskBox_->setText(mask_);
}

bool CConfigPropertyIPAddressPage::StoreControls() {
    address_ = addressBox_->text();
    mask_ = maskBox_->text();
    std::string message;
    if (!settings_->SetRouterAddress(address_.toStdString(), message)) {
        FocusControl(addressBox_);
        ShowMessage(QStringLiteral("Internet Address ") + QString::fromStdString(message), MsgButtons::Ok,
                    MsgIcon::Exclamation);
        return false;
    }
    if (!settings_->SetRouterNetmask(mask_.toStdString(), message)) {
        FocusControl(maskBox_);
        ShowMessage(QStringLiteral("Network Mask ") + QString::fromStdString(message), MsgButtons::Ok,
                    MsgIcon::Exclamation);
        return false;
    }
    return true;
}

QString CConfigPropertyIPAddressPage::SummaryLines() const {
    return QStringLiteral("IP Address:\t") + address_ + QStringLiteral("\r\nNetwork Mask:\t") + mask_ +
           QStringLiteral("\r\n");
}

int CConfigPropertyIPAddressPage::OnWizardNext() {
    if (probing_) return -1;
    if (!UpdateData(true)) {
        Sheet()->SetWizardButtons(WizardSheet::WizBack | WizardSheet::WizNext);
        return -1;
    }
    Sheet()->SetWizardButtons(0);
    if (!probedAddress_.isNull() && address_ == probedAddress_ && mask_ == probedMask_) {
        // The router was found at this very address and mask already: no second probe.
        host_->AddNextPage(nextPage_);
        Sheet()->SetWizardButtons(WizardSheet::WizBack | WizardSheet::WizNext);
        return 0;
    }
    switch (StartProbe()) {
    case Probe::Found:
        ProbeSucceeded();
        return 0;
    case Probe::NotFound:
        Sheet()->SetWizardButtons(WizardSheet::WizBack | WizardSheet::WizNext);
        return -1;
    case Probe::Later:
        break;
    }
    return -1;
}

void CConfigPropertyIPAddressPage::ProbeSucceeded() {
    probedAddress_ = address_;
    probedMask_ = mask_;
    host_->AddNextPage(nextPage_);
    Sheet()->SetWizardButtons(WizardSheet::WizBack | WizardSheet::WizNext);
    summaryText_ = SummaryLines();
}

bool CConfigPropertyIPAddressPage::LocalComputerOnRouterNetwork() const {
    IpAddress router(settings_->RouterAddress());
    IpAddress mask(settings_->RouterNetmask());
    for (uint32_t netOrder : host_->LocalAddresses()) {
        IpAddress local;
        local.SetFromNumber(ntohl(netOrder));
        if (local.SameNetwork(router, mask)) return true;
    }
    // No addresses known: treated as none on the router's network, so the user is asked.
    return false;
}

CConfigPropertyIPAddressPage::Probe CConfigPropertyIPAddressPage::StartProbe() {
    if (!LocalComputerOnRouterNetwork()) {
        int answer = ShowMessage(QStringLiteral("Your PC ") + QString::fromUtf8(NotSameNetworkMessage.data(),
                                                                                 NotSameNetworkMessage.size()),
                                 MsgButtons::YesNoCancel, MsgIcon::Exclamation, 4098);
        if (answer == IdNo) return Probe::NotFound;
        if (answer == IdCancel) {
            Sheet()->PressButton(WizardSheet::Button::Cancel);
            return Probe::NotFound;
        }
    }
    if (host_->Run() && host_->Run()->IsConnected()) return Probe::Found;

    SetStatusText(status_, QString::fromLatin1(LookingText).replace(QLatin1String("\r\n"), QLatin1String("\n")),
                  QStringLiteral("Status"));
    SetBusy(true);
    WizardRun* run = host_->CreateRun();
    run->Machine().state = StepMachine::Connecting;
    probing_ = true;
    auto outcome = std::make_shared<VLQLWizUIControl::StepOutcome>();
    // Reading a found router's settings back waits on its replies like the connect does:
    // both belong off the GUI thread, or a slow router freezes the window.
    auto probe = [run, outcome] {
        *outcome = VLQLWizUIControl::Driver::CallStep(run->Machine());
        if (!outcome->threw && run->Machine().state != StepMachine::Failed) {
            std::string ignored;
            run->ReadRouterSettings(ignored);
        }
    };
    bool started = Sheet()->RunBlocking(
        probe, [this, outcome] { ProbeAnswered(outcome->result, outcome->threw, outcome->message); });
    if (!started) {
        probe();
        ProbeAnswered(outcome->result, outcome->threw, outcome->message);
        return Probe::NotFound;
    }
    return Probe::Later;
}

void CConfigPropertyIPAddressPage::ProbeAnswered(int, bool threw, const std::string& message) {
    probing_ = false;
    SetStatusText(status_, QString(), QStringLiteral("Status"));
    SetBusy(false);
    WizardRun* run = host_->Run();
    if (threw && run) run->Machine().state = StepMachine::Failed;
    bool found = ProbeOutcome(message);
    if (found) {
        ProbeSucceeded();
        Sheet()->AdvanceFrom(this);
    } else {
        Sheet()->SetWizardButtons(WizardSheet::WizBack | WizardSheet::WizNext);
    }
}

bool CConfigPropertyIPAddressPage::ProbeOutcome(const std::string& message) {
    host_->SetProfileSection(addressBox_ ? addressBox_->text() : address_);
    WizardRun* run = host_->Run();
    const VLQLWizUIControl::ProbeResult found = VLQLWizUIControl::InterpretProbe(run->Machine(), message);
    const QString text = QString::fromStdString(found.message);
    switch (found.kind) {
    case VLQLWizUIControl::ProbeResult::Found:
        ShowMessage(QStringLiteral("Quillet Found!!"), MsgButtons::Ok, MsgIcon::Information, 4099);
        nextPage_ = host_->ChosenNextPage(Id());
        WriteProfile(QStringLiteral("Netmask"), maskBox_ ? maskBox_->text() : mask_);
        return true;
    case VLQLWizUIControl::ProbeResult::NoRouter: {
        host_->DeleteRun();
        nextPage_ = host_->ChosenNextPage(Id());
        WriteProfile(QStringLiteral("Netmask"), maskBox_ ? maskBox_->text() : mask_);
        int answer = ShowMessage(QString::fromLatin1(NoQuilletText), MsgButtons::YesNoCancel,
                                 MsgIcon::Exclamation, 4201);
        if (answer == IdYes) return true;
        if (answer == IdCancel) Sheet()->PressButton(WizardSheet::Button::Cancel);
        return false;
    }
    case VLQLWizUIControl::ProbeResult::BadPassword:
        if (ShowMessage(text, MsgButtons::RetryCancel, MsgIcon::Exclamation, 4097) == IdRetry)
            Sheet()->PressButton(WizardSheet::Button::Back);
        return false;
    case VLQLWizUIControl::ProbeResult::NetworkError:
        ShowMessage(text, MsgButtons::Ok, MsgIcon::Stop);
        Sheet()->PressButton(WizardSheet::Button::Cancel);
        return false;
    case VLQLWizUIControl::ProbeResult::Refused:
        if (ShowMessage(text, MsgButtons::RetryCancel, MsgIcon::Exclamation, 4097) == IdCancel)
            Sheet()->PressButton(WizardSheet::Button::Finish);
        return false;
    case VLQLWizUIControl::ProbeResult::OtherError:
        break;
    }
    ShowMessage(text, MsgButtons::Ok, MsgIcon::Stop);
    return false;
}

} // namespace wiz
