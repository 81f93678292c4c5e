// Renders the start dialog, the about box, every wizard page, the help window, the
// Changes window, the restore's preview, a failure box and the compare window to PNG
// files, offscreen, with example entries and a run that only pretends to talk to a
// Quillet.
// scripts/screenshots.sh builds and runs it:
//   QT_QPA_PLATFORM=offscreen qlwiz-screenshots docs/screenshots
#include "wizard/app/AboutBox.h"
#include "wizard/app/App.h"
#include "wizard/pages/CConfigHostPages.h"
#include "wizard/pages/CConfigPropertyIPAddressPage.h"
#include "wizard/pages/CConfigPropertyPage1.h"
#include "wizard/pages/CConfigPropertyPage10.h"
#include "wizard/pages/CConfigPropertyPage3.h"
#include "wizard/pages/CConfigPropertyPage4.h"
#include "wizard/pages/CConfigPropertyPage5.h"
#include "wizard/pages/CConfigPropertyPage8.h"
#include "wizard/pages/CConfigPropertyPage9.h"
#include "wizard/pages/CConfigPropertyPage_Authentication.h"
#include "wizard/pages/CConfigPropertyPage_CxnType.h"
#include "wizard/app/CConfigPropertySheet.h"
#include "wizard/pages/CConfigSummaryPage.h"
#include "wizard/framework/HelpWindow.h"
#include "wizard/framework/MessageBox.h"
#include "wizard/app/StartDialog.h"
#include "wizard/pages/ChangesWindow.h"
#include "run/FailureCause.h"
#include "cmdlib/vl.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTimer>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>

#include <arpa/inet.h>

#include <cstdio>
#include <cstring>

namespace {

// Every step succeeds after a moment; the probe finds no router (a new Quillet).
class PretendRun : public wiz::WizardRun, public VLQLWizUIControl::StepMachine {
public:
    explicit PretendRun(ConfigSettings* s) : StepMachine(s) {}
    StepMachine& Machine() override { return *this; }
    bool IsConnected() const override { return false; }
    void ReadRouterSettings(std::string&) override {}

protected:
    int Next(int s) {
        QThread::msleep(20);
        state = s + 1;
        return 1;
    }
    int StepSearching(std::string&) override { return Next(0); }
    int StepWaitingForAddressRequest(std::string&) override { return Next(1); }
    int StepConnecting(std::string&) override {
        if (++connects == 1) {
            state = Failed;  // the probe: nobody answers yet
            return 1;
        }
        return Next(2);
    }
    int StepConfiguring(std::string&) override { return Next(3); }
    int StepSavingAndRestarting(std::string&) override { return Next(4); }
    int StepReconnecting(std::string&) override { return Next(5); }
    int StepCheckingIsdn(std::string&) override { return Next(6); }
    int StepEstablishingPpp(std::string&) override { return Next(7); }
    int StepTestingRoute(std::string&) override { return Next(8); }

private:
    static inline int connects = 0;
};

QDir outDir;
int failures = 0;

void Settle(wiz::WizardSheet* sheet) {
    QElapsedTimer t;
    t.start();
    while ((sheet && sheet->Busy()) && t.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

void Save(QWidget* w, const QString& name) {
    QCoreApplication::processEvents();
    QString path = outDir.filePath(name + QStringLiteral(".png"));
    if (w->grab().save(path)) {
        std::printf("%s\n", qPrintable(path));
    } else {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        ++failures;
    }
}

// What the configure step would send to an office Quillet set up before, as a dry run
// against quillet-sim prints it for these entries.
const std::vector<std::string> PreviewLines = {
    "set ether0 address 192.168.10.1", "save address", "set S1 group 2", "set S2 group 2",
    "set ether0 address 192.168.10.1", "set isdn ni-1", "set address 192.168.10.1",
    "set filter isp.in blank", "set filter isp.in 1 deny   192.168.10.1/24 0.0.0.0/0",
    "set filter isp.in 2 permit tcp   estab", "set filter isp.in 3 permit 0.0.0.0/0 192.168.10.21/32 tcp dst eq 21",
    "set filter isp.in 4 permit 0.0.0.0/0 192.168.10.80/32 tcp dst eq 80", "save filter", "save filter",
    "set isp telephone 5550100&5550101", "set isp username office", "set isp password isp-pass",
    "set isp maxports 2", "set isp ifilter isp.in", "set isp ofilter isp.out", "save location", "reset dialer",
    "set address 192.168.10.1", "set password s3cret", "set ether0 address 192.168.10.1", "save address",
    "set address 192.168.10.1", "save address", "set S1 group 2", "save S1", "set S2 group 2", "save S2", "reboot"};

// A restore after that run: the snapshot's values go back.
const std::vector<std::string> RestoreLines = {
    "set ether0 address 192.168.10.1", "set isdn 5ess", "set password old-pass", "set S1 spid 40855512340101",
    "set S1 directory 4085551234", "set filter isp.in blank", "set filter isp.in 1 permit 0.0.0.0/0 192.168.10.80/32 tcp dst eq 80",
    "delete filter isp.out", "set isp telephone 14085550100", "set isp password surf-the-web", "set isp ofilter",
    "save address", "save S1", "save S2", "save filter", "save location", "reset dialer", "reboot"};

// The router after that run held against the snapshot kept before it.
std::vector<VLQLWizUIControl::SettingDifference> CompareDifferences() {
    using D = VLQLWizUIControl::SettingDifference;
    auto changed = [](const char* key, const char* record, const char* field, const char* before,
                      const char* after) {
        D d;
        d.key = key, d.record = record, d.field = field, d.before = before, d.after = after;
        d.secret = std::strcmp(field, "password") == 0 || std::strcmp(field, "administration password") == 0;
        return d;
    };
    D added;
    added.kind = D::Added, added.key = "filter.isp.out", added.record = "Filter \"isp.out\"";
    return {changed("session.password", "Administration", "administration password", "old-pass", "s3cret"),
            changed("port.S1.spid", "Port S1", "SPID", "40855512340101", "01555123400101"),
            changed("port.S1.directory", "Port S1", "directory number", "4085551234", "5551234"),
            changed("location.isp.telephone", "ISP location \"isp\"", "phone number", "14085550100",
                    "5550100&5550101"),
            changed("location.isp.password", "ISP location \"isp\"", "password", "surf-the-web", "isp-pass"),
            changed("location.isp.ofilter", "ISP location \"isp\"", "output filter", "", "isp.out"),
            added};
}

void Next(wiz::CConfigPropertySheet& sheet) {
    sheet.NextButton()->click();
    Settle(&sheet);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    wiz::SetApplicationNames();
    outDir = QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots"));
    outDir.mkpath(QStringLiteral("."));
    // Questions are answered as a new installation would answer them.
    wiz::SetMessageBoxFn([](const QString&, wiz::MsgButtons buttons, wiz::MsgIcon, int, const QString&) {
        return buttons == wiz::MsgButtons::YesNoCancel ? int(wiz::IdYes) : int(wiz::IdOk);
    });
    wiz::SetHelpFn([](int) {});

    {
        wiz::StartDialog start;
        start.show();
        Save(&start, QStringLiteral("00-start"));
        wiz::AboutBox about;
        about.show();
        Save(&about, QStringLiteral("01-about"));
    }

    wiz::SheetEnvironment env;
    env.makeRun = [](ConfigSettings* s) { return std::unique_ptr<wiz::WizardRun>(new PretendRun(s)); };
    env.localAddresses = [](std::vector<uint32_t>* out) {
        *out = {inet_addr("192.168.10.20")};
        return true;
    };
    wiz::CConfigPropertySheet sheet(env);
    sheet.show();
    Settle(&sheet);

    sheet.PasswordPage()->PasswordBox()->setText(QStringLiteral("s3cret"));
    sheet.PasswordPage()->ConfirmBox()->setText(QStringLiteral("s3cret"));
    Save(&sheet, QStringLiteral("02-password"));
    Next(sheet);
    sheet.AddressPage()->AddressBox()->setText(QStringLiteral("192.168.10.1"));
    sheet.AddressPage()->MaskBox()->setText(QStringLiteral("255.255.255.0"));
    Save(&sheet, QStringLiteral("03-internet-address"));
    Next(sheet);
    sheet.SwitchTypePage()->SelectSwitchType(QStringLiteral("National ISDN1"));
    Save(&sheet, QStringLiteral("04-isdn-switch"));
    Next(sheet);
    sheet.SpidPage()->Channel1SpidBox()->setText(QStringLiteral("01555123400101"));
    sheet.SpidPage()->Channel1DirNoBox()->setText(QStringLiteral("5551234"));
    sheet.SpidPage()->Channel2SpidBox()->setText(QStringLiteral("01555123500101"));
    sheet.SpidPage()->Channel2DirNoBox()->setText(QStringLiteral("5551235"));
    Save(&sheet, QStringLiteral("05-line-ids-spids"));
    Next(sheet);
    Save(&sheet, QStringLiteral("07-security"));
    Next(sheet);
    sheet.FtpPage()->AddressBox()->setText(QStringLiteral("192.168.10.21"));
    Save(&sheet, QStringLiteral("08-ftp-host"));
    Next(sheet);
    sheet.HttpPage()->AddressBox()->setText(QStringLiteral("192.168.10.80"));
    Save(&sheet, QStringLiteral("09-http-host"));
    Next(sheet);
    Save(&sheet, QStringLiteral("10-smtp-host"));
    Next(sheet);
    Save(&sheet, QStringLiteral("11-dns-host"));
    Next(sheet);
    Save(&sheet, QStringLiteral("12-connection-type"));
    Next(sheet);
    sheet.DialingPage()->TwoChannelsButton()->click();
    sheet.DialingPage()->PrimaryBox()->setText(QStringLiteral("555-0100"));
    sheet.DialingPage()->SecondaryBox()->setText(QStringLiteral("555-0101"));
    Save(&sheet, QStringLiteral("13-dialing"));
    Next(sheet);
    sheet.AuthenticationPage()->NameBox()->setText(QStringLiteral("office"));
    sheet.AuthenticationPage()->PasswordBox()->setText(QStringLiteral("isp-pass"));
    sheet.AuthenticationPage()->ConfirmBox()->setText(QStringLiteral("isp-pass"));
    Save(&sheet, QStringLiteral("14-authentication"));
    Next(sheet);
    Save(&sheet, QStringLiteral("15-summary"));
    // The line-ID page without SPIDs, from a second pass with another switch type.
    while (sheet.ActivePage() != sheet.SwitchTypePage()) {
        sheet.BackButton()->click();
        Settle(&sheet);
    }
    sheet.SwitchTypePage()->SelectSwitchType(QStringLiteral("EuroISDN Net3"));
    Next(sheet);
    sheet.DirNoPage()->DirNoBox()->setText(QStringLiteral("5551234"));
    Save(&sheet, QStringLiteral("06-line-id"));
    for (int i = 0; i < 16 && sheet.ActivePage() != sheet.SummaryPage(); ++i) Next(sheet);
    Next(sheet);
    // The progress page a few steps in.
    QElapsedTimer t;
    t.start();
    while (sheet.ProgressPage()->LogText().count(QLatin1Char('\n')) < 4 && t.elapsed() < 20000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    Save(&sheet, QStringLiteral("16-progress"));
    sheet.done(QDialog::Rejected);
    Settle(&sheet);

    wiz::HelpWindow help;
    help.show();
    help.ShowTopic(4201);
    Save(&help, QStringLiteral("17-help"));
    help.hide();

    const std::vector<VLQLWizUIControl::PreviewPort> ports = {{"S1", true}, {"S2", true}};
    wiz::ChangesWindow changes(wiz::ChangesWindow::Purpose::Changes, VLQLWizUIControl::GroupPreview(PreviewLines, ports),
                               QString(), QStringLiteral("192.168.10.1"));
    // Tall enough for every line, so that the picture shows them all.
    auto fit = [](wiz::ChangesWindow& w) {
        w.show();
        QPlainTextEdit* box = w.LinesBox();
        int need = box->blockCount() * box->fontMetrics().lineSpacing() + 2 * int(box->document()->documentMargin()) + 4;
        w.resize(w.width(), w.height() + std::max(0, need - box->viewport()->height()));
    };
    fit(changes);
    Save(&changes, QStringLiteral("18-changes"));
    wiz::ChangesWindow restore(wiz::ChangesWindow::Purpose::Restore, VLQLWizUIControl::GroupPreview(RestoreLines, ports),
                               QString(), QStringLiteral("192.168.10.1"));
    fit(restore);
    Save(&restore, QStringLiteral("19-restore"));
    wiz::ChangesWindow compare(CompareDifferences(), QStringLiteral("192.168.10.1"));
    fit(compare);
    Save(&compare, QStringLiteral("21-compare"));

    // The failure box of a refused "save location", with the cause in the run's own words.
    VlReply* reply = vl_reply_buffer();
    reply->type = VL_MSG_COMMAND;
    std::strcpy(reply->payload, "eLocation table full");
    reply->length = static_cast<int16_t>(std::strlen(reply->payload) + 1);
    vl_last_error = 0;
    PretendRun failed(nullptr);
    failed.lastStep = VLQLWizUIControl::StepMachine::Configuring;
    const std::string cause = VLQLWizUIControl::StepFailureCause(failed, VLQLWizUIControl::LastExchangeCause());
    QTimer::singleShot(0, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            Save(box, QStringLiteral("20-failure"));
            box->button(QMessageBox::Ok)->click();
        }
    });
    wiz::RealMessageBox(QString::fromStdString(failed.FailureTextOf(VLQLWizUIControl::StepMachine::SavingLocation)),
                        wiz::MsgButtons::Ok, wiz::MsgIcon::Stop, 3850, QString::fromStdString(cause));
    return failures == 0 ? 0 : 1;
}
