// What the wizard's tests share: scripted message boxes, a recorded help window, a
// scripted run, and a fixture that holds one wizard sheet and walks it.
#pragma once

#include "run/StepMachine.h"
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

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <vector>

// Readable QStrings in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) { *os << '[' << l.join(QStringLiteral("|")).toStdString() << ']'; }

namespace wiztest {

struct BoxCall {
    QString text;
    wiz::MsgButtons buttons;
    wiz::MsgIcon icon;
    int topic;
};

// Answers message boxes from a queue and records every box. An OK-only box needs no
// answer; any other box without one is a test failure (answered Cancel).
class ScriptedBoxes {
public:
    ScriptedBoxes();
    ~ScriptedBoxes();
    void Answer(int id) { answers_.push_back(id); }
    // Runs `action` when the next box comes up, before it is answered (to look at the
    // window behind it, as a user would).
    void OnNextBox(std::function<void()> action) { onNext_ = std::move(action); }
    const std::vector<BoxCall>& Calls() const { return calls_; }
    const BoxCall& Last() const { return calls_.back(); }
    size_t Count() const { return calls_.size(); }
    size_t Pending() const { return answers_.size(); }
    void Clear() { calls_.clear(); }

private:
    std::vector<BoxCall> calls_;
    std::deque<int> answers_;
    std::function<void()> onNext_;
    wiz::MessageBoxFn old_;
};

// Records which help topics were opened.
class HelpRecorder {
public:
    HelpRecorder();
    ~HelpRecorder();
    std::vector<int> topics;

private:
    wiz::HelpFn old_;
};

// A run whose state handlers are scripted; a state without a script moves on to the
// next state and asks to be stepped again.
class FakeRun : public wiz::WizardRun, public VLQLWizUIControl::StepMachine {
public:
    using Handler = std::function<int(FakeRun& run, std::string& message)>;
    explicit FakeRun(ConfigSettings* settings) : StepMachine(settings) {}

    StepMachine& Machine() override { return *this; }
    bool IsConnected() const override { return connected; }
    void ReadRouterSettings(std::string& message) override;

    // Scripts: fail with a kind (and optional message); succeed into the next state.
    static Handler FailWith(int kind, std::string message = {});
    // Connecting as a probe (the run's first step) finds no router; as a later step of a
    // run that gave a new router its address, it connects.
    static Handler NoRouterOnProbe();

    std::map<int, Handler> handlers;
    std::vector<int> statesRun;
    std::vector<std::thread::id> stepThreads;
    bool connected = false;
    int readBacks = 0;
    std::thread::id readBackThread;
    std::function<void(ConfigSettings&)> onReadBack;

protected:
    int Handle(int s, std::string& message);
    int StepSearching(std::string& m) override { return Handle(0, m); }
    int StepWaitingForAddressRequest(std::string& m) override { return Handle(1, m); }
    int StepConnecting(std::string& m) override { return Handle(2, m); }
    int StepConfiguring(std::string& m) override { return Handle(3, m); }
    int StepSavingAndRestarting(std::string& m) override { return Handle(4, m); }
    int StepReconnecting(std::string& m) override { return Handle(5, m); }
    int StepCheckingIsdn(std::string& m) override { return Handle(6, m); }
    int StepEstablishingPpp(std::string& m) override { return Handle(7, m); }
    int StepTestingRoute(std::string& m) override { return Handle(8, m); }
};

uint32_t NetOrder(const char* dotted);

// Processes events until `done` holds; false after `ms` of real time.
bool WaitUntil(const std::function<bool()>& done, int ms = 10000);

// One wizard sheet, shown offscreen, with scripted boxes and a scripted run.
class SheetTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Remakes the sheet (after changing local addresses).
    void MakeSheet();
    // Lets the sheet finish what it started: the worker's call, pressed buttons.
    void Settle();
    void ClickNext();
    void ClickBack();
    wiz::WizardPage* Active() const { return sheet->ActivePage(); }
    std::vector<wiz::WizardPage*> Path() const;
    // The active page at the sheet's own size: every label's text whole, every list entry
    // and summary line unbroken, the controls not squeezed, and the sheet's size as on
    // the page before. Runs after every Next while checkLayout is set.
    void ExpectPageFits();
    bool checkLayout = false;
    QSize sheetSize;

    // Page by page, from the password page: each fills its page and presses Next.
    void PasswordNext(const QString& password = QStringLiteral("secret"));
    // Address page to the switch-type page; the probe finds no router, answered Yes.
    void AddressNext(const QString& address = QStringLiteral("10.0.0.1"),
                     const QString& mask = QStringLiteral("255.255.255.0"));
    void SwitchNext(const QString& name);
    void SpidsNext(const QString& s1, const QString& d1, const QString& s2, const QString& d2);
    void DirNoNext(const QString& dirNo);
    void SecurityNext(bool on);
    void HostNext(wiz::CConfigHostPage* page, const QString& address);
    void CxnTypeNext(bool onDemand);
    void DialingNext(bool twoChannels, const QString& primary, const QString& secondary = QString());
    void AuthenticationNext(const QString& name, const QString& password);
    // The whole path with security off up to the summary page.
    void WalkToSummary(const QString& switchType = QStringLiteral("EuroISDN Net3"));

    std::vector<uint32_t> localAddresses;
    bool realRun = false;  // the shipped run and the real local addresses
    std::function<void(FakeRun&)> setupRun;  // applied to every run the sheet makes
    std::vector<FakeRun*> runs;              // every run made, newest last (may be freed)
    FakeRun* LastRun() const { return runs.empty() ? nullptr : runs.back(); }
    std::unique_ptr<ScriptedBoxes> boxes;
    std::unique_ptr<HelpRecorder> help;
    std::unique_ptr<wiz::CConfigPropertySheet> sheet;
};

} // namespace wiztest
