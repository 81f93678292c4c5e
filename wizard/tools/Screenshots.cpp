// Renders the start dialog, the about box, every wizard page and the help window to PNG
// files, offscreen, with example entries and a run that only pretends to talk to a
// Quillet. scripts/screenshots.sh builds and runs it:
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

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>

#include <arpa/inet.h>

#include <cstdio>

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
    return failures == 0 ? 0 : 1;
}
