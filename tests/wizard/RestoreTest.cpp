// Previews and restores in the wizard against quillet-sim: the summary page's "Changes..."
// window, "Restore..." from the start dialog, and the restore offered after a failed run.
#include "WizardTestSupport.h"

#include "SimRouter.h"
#include "platform/Hooks.h"
#include "run/Driver.h"
#include "run/Process.h"
#include "wizard/app/RestoreDialog.h"
#include "wizard/app/StartDialog.h"
#include "wizard/pages/ChangesWindow.h"

#include <QApplication>
#include <QFile>

namespace wiztest {
namespace {

using VLQLWizUIControl::RouterSnapshot;
using wiz::RestoreDialog;

// A scripted run that kept a snapshot before it failed.
struct KeptRun : FakeRun {
    using FakeRun::FakeRun;
    std::string path;
    std::string SnapshotPath() const override { return path; }
};

class RestoreTest : public SheetTest {
protected:
    void SetUp() override {
        realRun = true;
        SheetTest::SetUp();
        ASSERT_TRUE(sim->WaitListening(sim->listenLines > 0 ? sim->listenLines : 1));
    }
    void TearDown() override {
        bool wasConnected = sheet && sheet->Run() && sheet->Run()->IsConnected();
        SheetTest::TearDown();
        if (wasConnected) {
            ASSERT_TRUE(sim->WaitListening(sim->listenLines + 1));
        }
    }
    // What the router holds now, kept as a run keeps it.
    std::string KeepSnapshot() {
        VLVelunor session;
        EXPECT_EQ(session.Open("127.0.0.1", "secret"), VLVelunor::Ok);
        RouterSnapshot snapshot = RouterSnapshot::FromSession(session, "127.0.0.1", "secret");
        session.Close();
        EXPECT_TRUE(sim->WaitListening(sim->listenLines + 1));
        std::string path, error;
        EXPECT_TRUE(snapshot.WriteFile(platform::GetHooks().snapshotDir, path, error)) << error;
        return path;
    }
    // Records the restore window's log whenever a box comes up over it.
    void RecordLogAtEveryBox(QString* log) {
        boxes->OnNextBox([this, log] {
            if (auto* dialog = dynamic_cast<RestoreDialog*>(QApplication::activeModalWidget())) *log = dialog->LogText();
            RecordLogAtEveryBox(log);
        });
    }
};

TEST_F(RestoreTest, ChangesWindowShowsWhatADryRunWouldSend) {
    PasswordNext(QStringLiteral("secret"));
    sheet->AddressPage()->AddressBox()->setText(QStringLiteral("127.0.0.1"));
    sheet->AddressPage()->MaskBox()->setText(QStringLiteral("255.0.0.0"));
    ClickNext();
    ClickNext();
    DirNoNext(QStringLiteral("5551234"));
    SecurityNext(true);
    HostNext(sheet->FtpPage(), QStringLiteral("127.0.0.9"));
    HostNext(sheet->HttpPage(), QString());
    HostNext(sheet->SmtpPage(), QString());
    HostNext(sheet->DnsPage(), QString());
    CxnTypeNext(true);
    DialingNext(true, QStringLiteral("555-0100"), QStringLiteral("555-0101"));
    AuthenticationNext(QStringLiteral("office"), QStringLiteral("isp-pass"));
    ASSERT_EQ(Active(), sheet->SummaryPage());
    ASSERT_TRUE(sheet->SummaryPage()->ChangesButton()->isEnabled());
    sheet->SummaryPage()->ChangesButton()->click();
    ASSERT_TRUE(WaitUntil([&] { return sheet->SummaryPage()->ChangesWindowShown() != nullptr; }));
    wiz::ChangesWindow* window = sheet->SummaryPage()->ChangesWindowShown();
    EXPECT_TRUE(window->isVisible());
    QStringList shown = window->Lines();
    EXPECT_TRUE(window->IntroLabel()->text().contains(QStringLiteral("Nothing has been sent yet")));
    ConfigSettings entered = sheet->Settings();
    sheet.reset();
    ASSERT_TRUE(sim->WaitListening(sim->listenLines + 1));

    // A dry run as qlwiz-batch makes it: probe, read back, the same entries on top.
    ConfigSettings settings = entered;
    VLQLWizUIControl::Process dry(&settings);
    dry.state = VLQLWizUIControl::StepMachine::Connecting;
    VLQLWizUIControl::Driver::CallStep(dry);
    std::string message, error;
    dry.ReadRouterSettings(message);
    settings = entered;
    std::vector<std::string> lines;
    EXPECT_TRUE(dry.PreviewConfigure(lines, error, false)) << error;
    dry.session.Close();
    ASSERT_TRUE(sim->WaitListening(sim->listenLines + 1));
    QStringList expected;
    for (const std::string& line : lines) expected << QString::fromStdString(line);
    EXPECT_EQ(shown, expected);
    EXPECT_TRUE(expected.contains(QStringLiteral("set isp ifilter isp.in"))) << "not the whole configuration";
}

TEST_F(RestoreTest, RestoreFromTheStartDialog) {
    const std::string kept = KeepSnapshot();
    struct Row {
        const char* content;  // null: the snapshot just kept
        std::vector<int> answers;
        std::vector<QString> boxes;  // each box's text, its start
        std::vector<int> topics;
        RestoreDialog::Outcome outcome;
        const char* logged;  // in the window's log at the last box
    };
    const Row rows[] = {
        {"format = 1\nrouter.address\n", {}, {"%1 is not a snapshot"}, {wiz::NotASnapshotTopic},
         RestoreDialog::Outcome::NotStarted, ""},
        {nullptr, {wiz::IdNo}, {"Send these"}, {RestoreDialog::ConfirmTopic}, RestoreDialog::Outcome::Declined,
         "Connecting to Quillet at 127.0.0.1\nLogged in with the password the run installed.\nThe restore sends these"},
        {nullptr, {wiz::IdYes}, {"Send these", "The Quillet holds what the snapshot holds."},
         {RestoreDialog::ConfirmTopic, RestoreDialog::ResultTopic}, RestoreDialog::Outcome::Restored,
         "    reboot\nWriting back the snapshot taken 20"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.boxes.front().toStdString());
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
        int listened = sim->listenLines;
        dialog.RestoreButton()->click();
        boxes->OnNextBox(nullptr);
        EXPECT_EQ(chooserDir.toStdString(), platform::GetHooks().snapshotDir);
        ASSERT_EQ(boxes->Count(), row.boxes.size());
        for (size_t i = 0; i < row.boxes.size(); ++i) {
            QString start = QString(row.boxes[i]).replace(QStringLiteral("%1"), path);
            EXPECT_TRUE(boxes->Calls()[i].text.startsWith(start)) << boxes->Calls()[i].text.toStdString();
            EXPECT_EQ(boxes->Calls()[i].topic, row.topics[i]);
        }
        EXPECT_TRUE(log.contains(QString::fromLatin1(row.logged))) << log.toStdString();
        // The router: untouched by a file that is no snapshot, else one session (and a restart).
        int sessions = row.content ? 0 : row.outcome == RestoreDialog::Outcome::Restored ? 2 : 1;
        EXPECT_TRUE(sim->WaitListening(listened + sessions));
        EXPECT_EQ(sim->listenLines, listened + sessions);
    }
}

TEST_F(RestoreTest, AFailedRunOffersToPutTheRouterBack) {
    const std::string kept = KeepSnapshot();
    struct Row {
        int state, kind;          // where the run fails, and how
        bool snapshot;            // whether it had kept one by then
        std::vector<int> answers; // to the failure's box, then to the question
        bool asked, restored, ends;
    };
    const Row rows[] = {
        {1, 1, false, {wiz::IdOk}, false, false, false},              // before the configure step
        {3, 12, true, {wiz::IdOk, wiz::IdNo}, true, false, false},    // OK, then No: Finish alone remains
        {6, 14, true, {wiz::IdCancel, wiz::IdYes}, true, true, true}, // Cancel, then Yes: restored, ended
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.state);
        wiz::SheetEnvironment env;
        env.localAddresses = [](std::vector<uint32_t>* out) { *out = {NetOrder("10.0.0.7")}; return true; };
        env.makeRun = [&](ConfigSettings* settings) {
            auto run = std::make_unique<KeptRun>(settings);
            run->handlers[2] = FakeRun::NoRouterOnProbe();
            run->handlers[row.state] = FakeRun::FailWith(row.kind);
            run->path = row.snapshot ? kept : std::string();
            return std::unique_ptr<wiz::WizardRun>(std::move(run));
        };
        sheet = std::make_unique<wiz::CConfigPropertySheet>(std::move(env));
        sheet->show();
        WalkToSummary();
        EXPECT_FALSE(sheet->SummaryPage()->ChangesButton()->isEnabled()) << "no router was found";
        boxes->Clear();
        for (int answer : row.answers) boxes->Answer(answer);
        int listened = sim->listenLines;
        ClickNext();
        size_t count = row.answers.size() + (row.restored ? 1 : 0);
        ASSERT_TRUE(WaitUntil([&] { return boxes->Count() >= count && !sheet->Busy(); }));
        Settle();
        ASSERT_EQ(boxes->Count(), count);
        EXPECT_EQ(boxes->Pending(), 0u);
        if (row.asked) {
            const BoxCall& question = boxes->Calls()[1];
            EXPECT_TRUE(question.text.contains(QString::fromStdString(kept))) << question.text.toStdString();
            EXPECT_EQ(question.buttons, wiz::MsgButtons::YesNo);
            EXPECT_EQ(question.topic, wiz::CConfigPropertyPage8::RestoreQuestionTopic);
        }
        if (row.restored) {
            EXPECT_EQ(boxes->Last().text, QStringLiteral("The Quillet holds what the snapshot holds."));
        }
        EXPECT_TRUE(sim->WaitListening(listened + (row.restored ? 2 : 0)));
        EXPECT_EQ(sim->listenLines, listened + (row.restored ? 2 : 0));
        // OK leaves Finish alone; Cancel ends the wizard, restored or not.
        EXPECT_EQ(sheet->isVisible(), !row.ends);
        if (!row.ends) {
            EXPECT_EQ(sheet->WizardButtons(), wiz::WizardSheet::WizFinish);
        }
        sheet.reset();
    }
}

TEST(RestoreHelp, EveryNewWindowAndQuestionHasATopic) {
    QFile file(QStringLiteral(":/help/qlwiz.html"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QString html = QString::fromUtf8(file.readAll());
    for (int topic : {wiz::ChangesWindow::HelpTopic, RestoreDialog::HelpTopic, RestoreDialog::ConfirmTopic,
                      RestoreDialog::ResultTopic, wiz::ChooseSnapshotTopic, wiz::NotASnapshotTopic,
                      wiz::CConfigPropertyPage8::RestoreQuestionTopic}) {
        int at = html.indexOf(QStringLiteral("<a name=\"%1\"></a>").arg(wiz::HelpAnchor(topic)));
        ASSERT_GE(at, 0) << topic;
        EXPECT_GT(html.indexOf(QStringLiteral("<p>"), at), html.indexOf(QStringLiteral("<h2>"), at)) << topic;
    }
}

} // namespace
} // namespace wiztest
