// Previews and restores in the wizard against quillet-sim: the summary page's "Changes..."
// window, "Restore..." from the start dialog, and the restore offered after a failed run.
#include "WizardTestSupport.h"

#include "platform/Hooks.h"
#include "run/Driver.h"
#include "run/Process.h"
#include "wizard/app/RestoreDialog.h"
#include "wizard/app/StartDialog.h"
#include "wizard/pages/ChangesWindow.h"

#include <QApplication>
#include <QFile>

#include <arpa/inet.h>

namespace wiztest {
namespace {

using VLQLWizUIControl::RouterSnapshot;
using wiz::RestoreDialog;
using Boxes = std::vector<std::pair<QString, int>>;  // each box's text (its start) and topic
const QString Restored = QStringLiteral("The Quillet holds what the snapshot holds.");

class RestoreTest : public SheetTest {
protected:
    void SetUp() override {
        realRun = true;
        SheetTest::SetUp();
        Sessions(0);  // what earlier tests left unread
        // What the router holds now, kept as a run keeps it.
        VLVelunor session;
        ASSERT_EQ(session.Open("127.0.0.1", "secret"), VLVelunor::Ok);
        RouterSnapshot snapshot = RouterSnapshot::FromSession(session, "127.0.0.1", "secret");
        session.Close();
        ASSERT_EQ(Sessions(1), 1);
        std::string error;
        ASSERT_TRUE(snapshot.WriteFile(platform::GetHooks().snapshotDir, kept, error)) << error;
    }
    // The router's sessions ended since the last call: it listens again after each one.
    static int Sessions(int expected) {
        int n = 0;
        while (sim->WaitFor("listening on", n < expected ? 10000 : 50)) ++n;
        return n;
    }
    // Every box in order, and the sessions the router saw (a restart makes two).
    void ExpectBoxesAndSessions(const Boxes& expected, int sessions, const QString& path) {
        ASSERT_EQ(boxes->Count(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            QString start = QString(expected[i].first).replace(QStringLiteral("%1"), path);
            EXPECT_TRUE(boxes->calls[i].text.startsWith(start)) << boxes->calls[i].text.toStdString();
            EXPECT_EQ(boxes->calls[i].topic, expected[i].second) << i;
        }
        EXPECT_EQ(Sessions(sessions), sessions);
    }
    // Keeps the restore window's log whenever a box comes up over it.
    void RecordLogAtEveryBox(QString* log) {
        boxes->OnNextBox([this, log] {
            if (auto* dialog = dynamic_cast<RestoreDialog*>(QApplication::activeModalWidget())) *log = dialog->LogText();
            RecordLogAtEveryBox(log);
        });
    }
    std::string kept;
};

TEST_F(RestoreTest, ChangesWindowShowsWhatADryRunWouldSend) {
    Answers a;  // the router found keeps its Japanese NTT line
    a.address = QStringLiteral("127.0.0.1"), a.mask = QStringLiteral("255.0.0.0"), a.newRouter = false;
    a.switchType = QStringLiteral("Japan NTT"), a.twoChannels = true, a.phone2 = QStringLiteral("555-0101");
    a.accountPassword = QStringLiteral("isp-pass");
    WalkTo(sheet->SwitchTypePage(), a);
    EXPECT_EQ(sheet->SwitchTypePage()->SwitchList()->currentItem()->text(), a.switchType) << "not read back";
    WalkTo(sheet->SummaryPage(), a);
    ASSERT_TRUE(sheet->SummaryPage()->ChangesButton()->isEnabled());
    sheet->SummaryPage()->ChangesButton()->click();
    ASSERT_TRUE(WaitUntil([&] { return sheet->SummaryPage()->ChangesWindowShown() != nullptr; }));
    QStringList shown = sheet->SummaryPage()->ChangesWindowShown()->Lines();
    ConfigSettings entered = sheet->Settings();
    sheet.reset();
    // A dry run as qlwiz-batch makes it: probe, read back, the same entries on top.
    ConfigSettings settings = entered;
    VLQLWizUIControl::Process dry(&settings);
    dry.state = VLQLWizUIControl::StepMachine::Connecting;
    VLQLWizUIControl::Driver::CallStep(dry);
    std::string message, error;
    dry.ReadRouterSettings(message);
    settings = entered;
    std::vector<std::string> lines;
    EXPECT_TRUE(dry.PreviewConfigure(lines, error)) << error;
    dry.session.Close();
    QStringList expected;
    for (const std::string& line : lines) expected << QString::fromStdString(line);
    EXPECT_EQ(shown, expected);
    EXPECT_TRUE(expected.contains(QStringLiteral("set isp telephone 5550100&5550101"))) << "not what was entered";
    ExpectBoxesAndSessions({{"Quillet Found!!", 4099}}, 2, QString());
}

TEST_F(RestoreTest, RestoreFromTheStartDialog) {
    struct Row {
        const char* content;  // null: the snapshot kept
        std::vector<int> answers;
        Boxes boxes;
        const char* logged;  // in the window's log at the last box
        int sessions;        // the router's sessions
    };
    const Row rows[] = {
        {"format = 1\nrouter.address\n", {}, {{"%1 is not a snapshot", wiz::NotASnapshotTopic}}, "", 0},
        {nullptr, {wiz::IdNo}, {{"Send these", RestoreDialog::ConfirmTopic}},
         "Connecting to Quillet at 127.0.0.1\nLogged in with the password the run installed.\nThe restore sends these", 1},
        {nullptr, {wiz::IdYes}, {{"Send these", RestoreDialog::ConfirmTopic}, {Restored, RestoreDialog::ResultTopic}},
         "    reboot\nWriting back the snapshot taken 20", 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sessions);
        QString path = QString::fromStdString(kept);
        if (row.content) {
            path = QString::fromStdString(platform::GetHooks().snapshotDir) + QStringLiteral("/malformed.snapshot");
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(row.content);
        }
        boxes->Clear();
        for (int answer : row.answers) boxes->Answer(answer);
        QString log, chooserDir;
        RecordLogAtEveryBox(&log);
        wiz::StartDialog dialog;
        dialog.SetFileChooser([&](const QString& dir) { chooserDir = dir; return path; });
        dialog.RestoreButton()->click();
        boxes->OnNextBox(nullptr);
        EXPECT_EQ(chooserDir.toStdString(), platform::GetHooks().snapshotDir);
        EXPECT_TRUE(log.contains(QString::fromLatin1(row.logged))) << log.toStdString();
        ExpectBoxesAndSessions(row.boxes, row.sessions, path);
    }
}

TEST_F(RestoreTest, AFailedRunOffersToPutTheRouterBack) {
    const QString question = QStringLiteral("The Quillet may now be partly configured.");
    const int asked = wiz::CConfigPropertyPage8::RestoreQuestionTopic;
    struct Row {
        int state, kind;  // where the run fails, and how; kind 0: it holds there and the user cancels
        bool snapshot, ends;
        std::vector<int> answers;
        Boxes boxes;
        int sessions;
    };
    const Row rows[] = {
        {1, 1, false, false, {wiz::IdOk}, {{"The Quillet did not", 3866}}, 0},  // before the configure step
        {3, 12, true, false, {wiz::IdOk, wiz::IdNo}, {{"Creating Filters", 3851}, {question, asked}}, 0},
        {6, 14, true, true, {wiz::IdCancel, wiz::IdYes},
         {{"Your ISDN channels", 3853}, {question, asked}, {Restored, RestoreDialog::ResultTopic}}, 2},
        {4, 0, true, true, {wiz::IdOk, wiz::IdNo}, {{"If you want to abort", 0}, {question, asked}}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.state);
        realRun = false, localAddresses = {inet_addr("10.0.0.7")};
        setupRun = [&](FakeRun& run) {
            run.handlers[row.state] = row.kind ? FakeRun::FailWith(row.kind) : [](FakeRun&, std::string&) { return 1; };
            run.snapshotPath = row.snapshot ? kept : std::string();
        };
        MakeSheet();
        WalkTo(sheet->SummaryPage());
        EXPECT_FALSE(sheet->SummaryPage()->ChangesButton()->isEnabled()) << "no router was found";
        boxes->Clear();
        for (int answer : row.answers) boxes->Answer(answer);
        ClickNext();
        if (!row.kind) {
            ASSERT_TRUE(WaitUntil([&] { return LastRun()->statesRun.size() > size_t(row.state); }));
            sheet->CancelButton()->click();
        }
        ASSERT_TRUE(WaitUntil([&] { return boxes->Count() >= row.boxes.size() && !sheet->Busy(); }));
        Settle();
        ExpectBoxesAndSessions(row.boxes, row.sessions, QString());
        EXPECT_EQ(boxes->calls.size() > 1 && boxes->calls[1].text.contains(QString::fromStdString(kept)), row.snapshot);
        // OK leaves Finish alone; Cancel ends the wizard, restored or not.
        EXPECT_EQ(sheet->isVisible() ? sheet->WizardButtons() : 0, row.ends ? 0 : +wiz::WizardSheet::WizFinish);
        sheet.reset();
    }
}

} // namespace
} // namespace wiztest
