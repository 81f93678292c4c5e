// Previews, restores and failures in the wizard against quillet-sim: the summary page's
// "Changes..." window, "Restore..." and "Compare..." from the start dialog with their
// windows and password prompt, a failed step's cause, and the restore offered after a
// failed run.
#include "WizardTestSupport.h"

#include "platform/Hooks.h"
#include "run/Driver.h"
#include "run/Process.h"
#include "wizard/app/PasswordPrompt.h"
#include "wizard/app/RestoreDialog.h"
#include "wizard/app/StartDialog.h"
#include "wizard/pages/ChangesWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include <arpa/inet.h>

#include <set>

namespace wiztest {
namespace {

using VLQLWizUIControl::RouterSnapshot;
using wiz::ChangesWindow;
using wiz::RestoreDialog;
using Boxes = std::vector<std::pair<QString, int>>;  // each box's text (its start) and topic
const QString Restored = QStringLiteral("The Quillet holds what the snapshot holds.");
const std::string Scenario = "password = secret\napply = set isdn ntt\n";  // main()'s router

// Acts on the modal windows as they come up, in order: a step returns false until its
// window is the active modal one. Bounded by the waits of the test that runs it.
class ModalScript {
public:
    using Step = std::function<bool(QWidget* modal)>;
    explicit ModalScript(std::vector<Step> steps) : steps_(steps.begin(), steps.end()) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (!steps_.empty() && steps_.front()(QApplication::activeModalWidget())) steps_.pop_front();
        });
        timer_.start(5);
    }
    bool Done() const { return steps_.empty(); }

private:
    std::deque<Step> steps_;
    QTimer timer_;
};

ModalScript::Step InPreview(bool restore, QString* text = nullptr) {
    return [=](QWidget* modal) {
        auto* w = dynamic_cast<ChangesWindow*>(modal);
        if (!w) return false;
        if (text) *text = w->IntroLabel()->text() + "\n" + w->LinesBox()->toPlainText();
        // Then the passwords shown, where there are any.
        if (text && w->ShowPasswordsBox()->isEnabled()) w->ShowPasswordsBox()->click(), *text += w->LinesBox()->toPlainText();
        (restore ? w->RestoreButton() : w->CloseButton())->click();
        return true;
    };
}

ModalScript::Step TypePassword(const char* password) {
    return [=](QWidget* modal) {
        auto* prompt = dynamic_cast<wiz::PasswordPrompt*>(modal);
        if (!prompt) return false;
        QTest::keyClicks(prompt->PasswordBox(), QString::fromLatin1(password));
        QTest::keyClick(prompt->PasswordBox(), Qt::Key_Return);
        return true;
    };
}

class RestoreTest : public SheetTest {
protected:
    void SetUp() override {
        realRun = true;
        SheetTest::SetUp();
        Sessions(0);  // what earlier tests left unread
        // What the router holds now, kept as a run keeps it.
        VLVelunor session;
        ASSERT_EQ(session.Open("127.0.0.1", "secret"), VLVelunor::Ok);
        snapshot = RouterSnapshot::FromSession(session, "127.0.0.1", "secret");
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
    // Every box in order, and the sessions the router saw (a restart makes two; -1: any).
    void ExpectBoxesAndSessions(const Boxes& expected, int sessions, const QString& path) {
        ASSERT_EQ(boxes->Count(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            QString start = QString(expected[i].first).replace(QStringLiteral("%1"), path);
            EXPECT_TRUE(boxes->calls[i].text.startsWith(start)) << boxes->calls[i].text.toStdString();
            EXPECT_EQ(boxes->calls[i].topic, expected[i].second) << i;
        }
        int seen = Sessions(sessions);
        EXPECT_TRUE(sessions < 0 || seen == sessions) << seen;
    }
    // The quillet-sim of this test process, started afresh on its port with `scenario`.
    static void RestartSim(const std::string& scenario) {
        const int port = sim->Port();
        sim->Stop();
        ASSERT_TRUE(sim->Start(scenario, {"--port", std::to_string(port)})) << sim->Error();
    }
    // To the summary page of a router found at 127.0.0.1 that keeps its Japanese NTT line.
    void WalkToSummary() {
        Answers a;
        a.address = QStringLiteral("127.0.0.1"), a.mask = QStringLiteral("255.0.0.0"), a.newRouter = false;
        a.switchType = QStringLiteral("Japan NTT"), a.twoChannels = true, a.phone2 = QStringLiteral("555-0101");
        a.accountPassword = QStringLiteral("isp-pass");
        WalkTo(sheet->SwitchTypePage(), a);
        EXPECT_EQ(sheet->SwitchTypePage()->SwitchList()->currentItem()->text(), a.switchType) << "not read back";
        WalkTo(sheet->SummaryPage(), a);
    }
    RouterSnapshot snapshot;
    std::string kept;
};

TEST_F(RestoreTest, ChangesWindowShowsWhatADryRunWouldSendGroupedAndMasked) {
    WalkToSummary();
    ASSERT_TRUE(sheet->SummaryPage()->ChangesButton()->isEnabled());
    sheet->SummaryPage()->ChangesButton()->click();
    ASSERT_TRUE(WaitUntil([&] { return sheet->SummaryPage()->ChangesWindowShown() != nullptr; }));
    ChangesWindow* window = sheet->SummaryPage()->ChangesWindowShown();
    QPlainTextEdit* box = window->LinesBox();
    const QStringList masked = box->toPlainText().split('\n');
    window->ShowPasswordsBox()->click();
    const QStringList shown = box->toPlainText().split('\n');
    const QString intro = window->IntroLabel()->text();
    // The caret goes where the keys send it, line by line; Tab moves on.
    EXPECT_EQ(QApplication::focusWidget(), box);
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(box->textCursor().blockNumber(), 1);
    QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(box->textCursor().blockNumber(), box->blockCount() - 1);
    QTest::keyClick(box, Qt::Key_PageUp);
    EXPECT_LT(box->textCursor().blockNumber(), box->blockCount() - 2);
    QTest::keyClick(box, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(box->textCursor().blockNumber(), 0);
    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window->ShowPasswordsBox());
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
    // Every line once, indented under a heading, a repeat with its note; the saves and the
    // restart last; the first sentence counts the lines that set something.
    std::set<std::string> settingLines;
    for (const std::string& line : lines) {
        const QString text = QStringLiteral("    ") + QString::fromStdString(line);
        const auto times = std::count(lines.begin(), lines.end(), line);
        const QString note = times == 1 ? QString() : times == 2 ? "    (sent twice)" : QString("    (sent %1 times)").arg(times);
        EXPECT_EQ(shown.count(text + note), 1) << line;
        const bool saved = line.rfind("save", 0) == 0 || line.rfind("reset", 0) == 0 || line == "reboot";
        EXPECT_EQ(shown.indexOf(text + note) > shown.indexOf("Saved and restarted"), saved) << line;
        if (!saved) settingLines.insert(line);
    }
    QStringList headings;
    for (const QString& line : shown)
        if (!line.isEmpty() && !line.startsWith(' ')) headings << line;
    EXPECT_EQ(headings, (QStringList{"Ethernet", "ISDN ports", "Global settings", "ISP location", "Saved and restarted"}));
    EXPECT_TRUE(intro.startsWith(QStringLiteral("Pressing Next on the summary page writes %1 settings to the Quillet at "
                                                "127.0.0.1")
                                     .arg(settingLines.size()))) << intro.toStdString();
    EXPECT_TRUE(intro.contains(QStringLiteral(" %1 command lines").arg(lines.size()))) << intro.toStdString();
    EXPECT_TRUE(shown.contains("    set isp telephone 5550100&5550101")) << "not what was entered";
    // Passwords only when asked for.
    EXPECT_TRUE(shown.contains("    set isp password isp-pass") && masked.contains("    set isp password ********"));
    EXPECT_FALSE(masked.join('\n').contains("isp-pass"));
    ExpectBoxesAndSessions({{"Quillet Found!!", 4099}}, 2, QString());
}

TEST_F(RestoreTest, RestoreAndCompareFromTheStartDialog) {
    struct Row {
        const char* content;   // null: the snapshot kept; "@ADDRESS": it, at another address
        const char* password;  // null: the router's, else the one set on it since
        std::vector<int> answers;
        std::vector<ModalScript::Step> steps;
        Boxes boxes;
        const char* logged;  // in the window's log at its end
        int sessions;        // the router's sessions, -1: any
        RestoreDialog::Outcome outcome;
        bool compare = false;  // "Compare...": the restore's window, if any, opens later and is not read
    };
    using O = RestoreDialog::Outcome;
    QString preview, compared, same;
    auto nothingDiffers = [&](QWidget* modal) {
        auto* w = dynamic_cast<ChangesWindow*>(modal);
        if (w) same = w->IntroLabel()->text() + w->LinesBox()->toPlainText() + (w->RestoreButton()->isEnabled() ? "Restore" : "");
        return w && (w->CloseButton()->click(), true);
    };
    auto cancelAtOnce = [](QWidget* modal) {
        auto* dialog = dynamic_cast<RestoreDialog*>(modal);
        if (dialog) dialog->CancelButton()->click();
        return dialog != nullptr;
    };
    const Row rows[] = {
        {"format = 1\nrouter.address\n", nullptr, {}, {}, {{"%1 is not a snapshot", wiz::NotASnapshotTopic}}, "", 0, O::NotStarted},
        {nullptr, nullptr, {}, {InPreview(false, &preview)}, {},
         "Connecting to Quillet at 127.0.0.1\nLogged in with the password the run installed.\nThe restore writes", 1,
         O::Declined},
        {nullptr, nullptr, {}, {InPreview(true)}, {{Restored, RestoreDialog::ResultTopic}},
         "Writing back the snapshot taken 20", 2, O::Restored},
        // Nothing listens there: refused, tried again and again; stopped before any login.
        {"@127.0.0.2", nullptr, {}, {cancelAtOnce}, {}, "", 0, O::Declined},
        {"@127.255.255.255", nullptr, {}, {}, {{"No Quillet answered at 127.255.255.255.", RestoreDialog::ResultTopic}}, "",
         0, O::Failed},
        {"format = 1\nrouter.address\n", nullptr, {}, {}, {{"%1 is not a snapshot", wiz::NotASnapshotTopic}}, "", 0, O::NotStarted, true},
        {nullptr, nullptr, {}, {nothingDiffers}, {}, "", 1, O::NotStarted, true},
        {"@127.255.255.255", nullptr, {}, {}, {{"The wizard could not read the Quillet", ChangesWindow::CompareTopic}}, "", 0,
         O::NotStarted, true},
        // The password typed for the compare opens the router for the restore, too.
        {nullptr, "other", {}, {TypePassword("other"), InPreview(true, &compared), InPreview(true)},
         {{Restored, RestoreDialog::ResultTopic}}, "", -1, O::NotStarted, true},
        // Another password was set since: asked for; a wrong one gets the wizard's Retry question.
        {nullptr, "other", {wiz::IdRetry}, {TypePassword("wrong"), TypePassword("other"), InPreview(true)},
         {{RestoreDialog::BadPasswordText, RestoreDialog::BadPasswordTopic}, {Restored, RestoreDialog::ResultTopic}},
         "Logged in with the password you entered.", -1, O::Restored},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.logged);
        QString path = QString::fromStdString(kept);
        if (row.content && row.content[0] == '@') {
            RouterSnapshot elsewhere = snapshot;
            elsewhere.address = row.content + 1;
            std::string written, error;
            ASSERT_TRUE(elsewhere.WriteFile(platform::GetHooks().snapshotDir, written, error)) << error;
            path = QString::fromStdString(written);
        } else if (row.content) {
            path = QString::fromStdString(platform::GetHooks().snapshotDir) + QStringLiteral("/malformed.snapshot");
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(row.content);
        }
        if (row.password) RestartSim("password = " + std::string(row.password) + "\napply = set isdn ntt\n");
        boxes->Clear();
        for (int answer : row.answers) boxes->Answer(answer);
        QString log, chooserDir;
        RestoreDialog::Outcome outcome = O::NotStarted;
        ModalScript script(row.steps);
        wiz::StartDialog dialog;
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        dialog.SetFileChooser([&](const QString& dir) {
            chooserDir = dir;
            // The window's log and outcome, read as it closes.
            QTimer::singleShot(0, &dialog, [&] {
                if (auto* restore = dynamic_cast<RestoreDialog*>(QApplication::activeModalWidget()))
                    QObject::connect(restore, &QDialog::finished, [&, restore] {
                        log = restore->LogText(), outcome = restore->Result();
                    });
            });
            return path;
        });
        QPushButton* pressed = row.compare ? dialog.CompareButton() : dialog.RestoreButton();
        pressed->click();
        EXPECT_TRUE(script.Done());
        EXPECT_EQ(chooserDir.toStdString(), platform::GetHooks().snapshotDir);
        EXPECT_TRUE(log.contains(QString::fromLatin1(row.logged))) << log.toStdString();
        EXPECT_EQ(outcome, row.outcome);
        ExpectBoxesAndSessions(row.boxes, row.sessions, path);
        // The keyboard is back on the start dialog's button, whatever the last window was.
        EXPECT_TRUE(WaitUntil([&] { return QApplication::focusWidget() == pressed; }, 2000));
        EXPECT_EQ(QApplication::activeWindow(), &dialog);
    }
    // The preview window: grouped, nothing sent yet, the restart under the last heading.
    EXPECT_TRUE(preview.contains("Nothing has been sent yet") && preview.contains("Saved and restarted\n") &&
                preview.endsWith("    reboot\n")) << preview.toStdString();
    // The compare: no line and no Restore when nothing differs; a password masked until asked for.
    EXPECT_TRUE(same.startsWith("The Quillet at 127.0.0.1 holds what the snapshot holds.") && same.endsWith("sent."))
        << same.toStdString();
    EXPECT_TRUE(compared.startsWith("The Quillet at 127.0.0.1 differs from the snapshot in ") &&
                compared.contains("\nAdministration\n    administration password changed  [session.password]\n") &&
                compared.contains("\nAdministration\n    administration password secret -> other  [session.password]\n"))
        << compared.toStdString();
}

TEST_F(RestoreTest, AFailedStepSaysWhyUnderTheWizardsOwnText) {
    const QString step = QStringLiteral("In the step \"Configuring Quillet\", ");
    const std::pair<std::string, QString> rows[] = {
        {"fault.refuse = save location\n", "the Quillet refused a command, saying \"Command refused\"."},
        {"fault.drop_on = save location\n", "the connection was closed ("},
    };
    for (const auto& [fault, cause] : rows) {
        SCOPED_TRACE(fault);
        RestartSim(Scenario + fault);
        MakeSheet();
        WalkToSummary();
        boxes->Clear();
        boxes->Answer(wiz::IdOk), boxes->Answer(wiz::IdNo);  // the failure, the restore offered after it
        ClickNext();
        ASSERT_TRUE(WaitUntil([&] { return boxes->Count() >= 2 && !sheet->Busy(); }, 20000));
        EXPECT_TRUE(boxes->calls[0].text == QStringLiteral("Saving ISP Location") && boxes->calls[0].icon == MsgIcon::Stop);
        EXPECT_TRUE(boxes->calls[0].detail.startsWith(step + cause)) << boxes->calls[0].detail.toStdString();
        sheet.reset();
    }
    RestartSim(Scenario);
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
