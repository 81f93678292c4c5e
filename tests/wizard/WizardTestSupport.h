// What the wizard's tests share: scripted message boxes, a recorded help window, a
// scripted run, and a fixture that holds one wizard sheet, opens its pages and walks it.
#pragma once

#include "run/StepMachine.h"
#include "support/ScriptedMachine.h"
#include "support/SimProcess.h"
#include "wizard/app/CConfigPropertySheet.h"
#include "wizard/framework/HelpWindow.h"
#include "wizard/framework/MessageBox.h"
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
#include "wizard/pages/CConfigSummaryPage.h"
#include "wizard/pages/WizardRun.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <thread>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
namespace wiztest {

using wiz::MsgButtons;
using wiz::MsgIcon;
using Pages = std::vector<wiz::WizardPage*>;
inline const QString Congratulation = QStringLiteral("Congratulations - your Quillet is set up!!\n\nLet's go Surfing!!");

// The quillet-sim that main() started for the probe tests (null when only listing).
extern SimProcess* sim;

struct BoxCall { QString text; MsgButtons buttons; MsgIcon icon; int topic; QString detail; };

// Answers message boxes from a queue and records every box. An OK-only box needs no
// answer; any other box without one is a test failure (answered Cancel).
class ScriptedBoxes {
public:
    ScriptedBoxes();
    ~ScriptedBoxes() { wiz::SetMessageBoxFn(std::move(old_)); }
    void Answer(int id) { answers_.push_back(id); }
    // Runs `action` when the next box comes up, before it is answered.
    void OnNextBox(std::function<void()> action) { onNext_ = std::move(action); }
    const BoxCall& Last() const { return calls.back(); }
    size_t Count() const { return calls.size(); }
    void Clear() { calls.clear(); }
    std::vector<BoxCall> calls;

private:
    std::deque<int> answers_;
    std::function<void()> onNext_;
    wiz::MessageBoxFn old_;
};

// Records which help topics were opened.
struct HelpRecorder {
    HelpRecorder() { old = wiz::SetHelpFn([this](int topic) { topics.push_back(topic); }); }
    ~HelpRecorder() { wiz::SetHelpFn(std::move(old)); }
    std::vector<int> topics;
    wiz::HelpFn old;
};

// A run whose state handlers are scripted; a state without a script moves on to the
// next state and asks to be stepped again.
class FakeRun : public wiz::WizardRun, public ScriptedMachine<FakeRun> {
public:
    explicit FakeRun(ConfigSettings* settings) : ScriptedMachine(settings) {}

    StepMachine& Machine() override { return *this; }
    bool IsConnected() const override { return connected; }
    std::string SnapshotPath() const override { return snapshotPath; }
    void ReadRouterSettings(std::string&) override;

    static Handler FailOnce(int kind);  // then moves on
    static Handler Found();             // as the probe: a router answers, the run stays connected

    bool connected = false;
    int readBacks = 0;
    std::string snapshotPath;  // the snapshot the run says it kept
    std::function<void(ConfigSettings&)> onReadBack;

private:
    int Handle(int s, std::string& message) override;
};

// Processes events until `done` holds; false after `ms` of real time.
bool WaitUntil(const std::function<bool()>& done, int ms = 10000);

// What a user enters on the way through the wizard.
struct Answers {
    QString password = QStringLiteral("secret");
    QString address = QStringLiteral("10.0.0.1");
    QString mask = QStringLiteral("255.255.255.0");
    bool newRouter = true;  // "No Quillet ... found" answered Yes
    QString switchType = QStringLiteral("EuroISDN Net3");
    QStringList lineIds = {QStringLiteral("0155"), QStringLiteral("5551234"), QStringLiteral("0156"),
                           QStringLiteral("5551235")};  // SPID 1, number 1, SPID 2, number 2
    bool security = false;
    QStringList hosts = {QString(), QString(), QString(), QString()};  // FTP HTTP SMTP DNS
    bool onDemand = true;
    bool twoChannels = false;
    QString phone = QStringLiteral("555-0100");
    QString phone2 = {};
    QString account = QStringLiteral("office");
    QString accountPassword = QStringLiteral("pw");
};

// One wizard sheet, shown offscreen, with scripted boxes and a scripted run (or the
// shipped one, against quillet-sim).
class SheetTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void MakeSheet();
    // Lets the sheet finish what it started: the worker's call, pressed buttons.
    void Settle();
    void ClickNext();
    void ClickBack();
    wiz::WizardPage* Active() const { return sheet->ActivePage(); }
    Pages Path() const;
    // Shows `page` right after the password page, as if reached; to check one page.
    void Open(wiz::CConfigPage* page);
    // Fills each page from `a` and presses Next until `stop` is shown.
    void WalkTo(wiz::WizardPage* stop, const Answers& a = {});
    // The active page at the sheet's own size: every label's text whole, every list
    // entry and summary line unbroken, the controls not squeezed, and the sheet's size
    // as on the page before. Runs after every Next while checkLayout is set.
    void ExpectPageFits();

    std::vector<uint32_t> localAddresses;
    bool realRun = false;                    // the shipped run, against quillet-sim
    std::function<void(FakeRun&)> setupRun;  // applied to every run the sheet makes
    std::vector<FakeRun*> runs;              // every run made, newest last (may be freed)
    FakeRun* LastRun() const { return runs.empty() ? nullptr : runs.back(); }
    bool checkLayout = false;
    QSize sheetSize;
    std::unique_ptr<ScriptedBoxes> boxes;
    std::unique_ptr<HelpRecorder> help;
    std::unique_ptr<wiz::CConfigPropertySheet> sheet;
};

} // namespace wiztest
