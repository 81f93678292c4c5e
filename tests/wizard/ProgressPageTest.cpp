// The progress page on a scripted run: the log, the ticks, success, and the failure flow
// with every kind of Retry and Cancel.
#include "WizardTestSupport.h"

#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

namespace wiztest {
namespace {

using VLQLWizUIControl::StepMachine;

class ProgressTest : public SheetTest {
protected:
    // From the summary to the progress page; the run is then going.
    void StartProgress(const QString& switchType = QStringLiteral("EuroISDN Net3")) {
        WalkToSummary(switchType);
        boxes->Clear();
        ClickNext();
        ASSERT_EQ(Active(), sheet->ProgressPage());
    }
    wiz::CConfigPropertyPage8* Progress() const { return sheet->ProgressPage(); }
    // Waits for the run to stop ticking (its end, or a question answered).
    bool WaitForBox(size_t count) {
        return WaitUntil([&] { return boxes->Count() >= count && !sheet->Busy(); }, 20000);
    }
    QStringList LogLines() const {
        return Progress()->LogText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
};

TEST_F(ProgressTest, ANewRouterRunsToSuccess) {
    int progressAtMessage = 0;
    bool finishOnly = false;
    StartProgress();
    EXPECT_FALSE(sheet->NextButton()->isEnabled());
    EXPECT_FALSE(sheet->BackButton()->isEnabled());
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    boxes->OnNextBox([&] {
        progressAtMessage = Progress()->ProgressBar()->value();
        finishOnly = sheet->FinishButton()->isVisible() && sheet->FinishButton()->isEnabled() &&
                     !sheet->NextButton()->isVisible() && !sheet->BackButton()->isVisible() &&
                     !sheet->CancelButton()->isEnabled();
    });
    ASSERT_TRUE(WaitForBox(1));
    Settle();
    EXPECT_EQ(boxes->Last().text, QStringLiteral("Congratulations - your Quillet is set up!!\n\nLet's go Surfing!!"));
    EXPECT_EQ(boxes->Last().icon, wiz::MsgIcon::Exclamation);
    EXPECT_EQ(boxes->Last().topic, 3862);
    EXPECT_EQ(progressAtMessage, 100);
    EXPECT_TRUE(finishOnly);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ASSERT_EQ(runs.size(), 2u) << "the probe's run, dropped, and the progress page's";
    EXPECT_EQ(LastRun()->statesRun, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    for (std::thread::id id : LastRun()->stepThreads) EXPECT_NE(id, std::this_thread::get_id());
    // A new run starts in the state it last stepped (0), so searching has no line of its own.
    EXPECT_EQ(LogLines(), (QStringList{"Waiting for Quillet to request address",
                                       "Connecting to Quillet", "Configuring Quillet",
                                       "Saving changes and restarting Quillet", "Reconnecting to Quillet",
                                       "Checking ISDN connection", "Establishing PPP connection", "Testing route",
                                       "Setup succeeded. Saving changes"}));
}

TEST_F(ProgressTest, ARepeatingStateIsLoggedOnce) {
    setupRun = [](FakeRun& run) {
        run.handlers[2] = FakeRun::NoRouterOnProbe();
        // The responder needs three polls before the router asks for its address.
        run.handlers[1] = [polls = 0](FakeRun& r, std::string&) mutable {
            if (++polls == 3) r.state = StepMachine::Connecting;
            return 1;
        };
        run.handlers[3] = FakeRun::FailWith(StepMachine::SettingFilter);
    };
    StartProgress();
    ASSERT_TRUE(WaitForBox(1));
    EXPECT_EQ(LogLines().count(QStringLiteral("Waiting for Quillet to request address")), 1);
    // A failure without Retry: stop icon, its help topic, and only Finish left.
    EXPECT_EQ(boxes->Last().text, QStringLiteral("Creating Filters"));
    EXPECT_EQ(boxes->Last().buttons, wiz::MsgButtons::Ok);
    EXPECT_EQ(boxes->Last().icon, wiz::MsgIcon::Stop);
    EXPECT_EQ(boxes->Last().topic, 3851);
    Settle();
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_TRUE(sheet->FinishButton()->isVisible());
    EXPECT_TRUE(sheet->FinishButton()->isEnabled());
    EXPECT_EQ(sheet->FinishButton()->text(), QStringLiteral("Finish"));
    EXPECT_FALSE(sheet->NextButton()->isVisible());
    EXPECT_FALSE(sheet->CancelButton()->isEnabled()) << "only Finish is left";
    EXPECT_FALSE(Progress()->Running());
    // "Configuring Quillet" once before the step, once more with the failure.
    QStringList lines = LogLines();
    EXPECT_EQ(lines.count(QStringLiteral("Configuring Quillet")), 2);
    EXPECT_EQ(lines.last(), QStringLiteral("Configuring Quillet"));
    sheet->FinishButton()->click();
    EXPECT_FALSE(sheet->isVisible());
}

TEST_F(ProgressTest, RetryGoesBackToThePageAtFault) {
    // Failure kind, switch type, and the page Retry must show.
    struct Row {
        int kind;
        const char* switchType;
        int state;  // where the failing step runs
        std::function<wiz::WizardPage*(wiz::CConfigPropertySheet&)> page;
    };
    const Row rows[] = {
        {StepMachine::IsdnFailure, "EuroISDN Net3", 6, [](auto& s) { return s.SwitchTypePage(); }},
        {StepMachine::Channel1Failure, "Japan NTT", 6, [](auto& s) { return s.DirNoPage(); }},
        {StepMachine::Channel2Failure, "National ISDN1", 6, [](auto& s) { return s.SpidPage(); }},
        {StepMachine::AuthenticationFailure, "EuroISDN Net3", 7, [](auto& s) { return s.AuthenticationPage(); }},
        {StepMachine::DialNoAnswer, "EuroISDN Net3", 7, [](auto& s) { return s.DialingPage(); }},
        {StepMachine::IspRejected, "EuroISDN Net3", 7, [](auto& s) { return s.AddressPage(); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        int failures = 0;
        setupRun = [&](FakeRun& run) {
            run.handlers[2] = FakeRun::NoRouterOnProbe();
            run.handlers[row.state] = [&, kind = row.kind](FakeRun& r, std::string& m) {
                if (failures++ == 0) return FakeRun::FailWith(kind)(r, m);
                r.state = r.state + 1;
                return 1;
            };
        };
        MakeSheet();
        StartProgress(QString::fromLatin1(row.switchType));
        boxes->Answer(wiz::IdRetry);
        ASSERT_TRUE(WaitForBox(1));
        Settle();
        EXPECT_EQ(boxes->Last().buttons, wiz::MsgButtons::RetryCancel);
        EXPECT_EQ(boxes->Last().icon, wiz::MsgIcon::Question);
        wiz::WizardPage* target = row.page(*sheet);
        EXPECT_EQ(Active(), target);
        EXPECT_EQ(sheet->PageIndex(sheet->ProgressPage()), -1) << "the progress page is cut";
        EXPECT_EQ(sheet->PageIndex(target), sheet->PageCount() - 1);
        EXPECT_TRUE(sheet->BackButton()->isEnabled());
        EXPECT_TRUE(sheet->NextButton()->isEnabled());
        ASSERT_NE(sheet->Run(), nullptr);
        EXPECT_EQ(sheet->Run()->Machine().state, StepMachine::Configuring);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        // Forward again to the progress page: an empty log, the same run from Configuring.
        FakeRun* run = LastRun();
        size_t stepsBefore = run->statesRun.size();
        boxes->Clear();
        for (int guard = 0; Active() != sheet->ProgressPage() && guard < 12; ++guard) {
            if (Active() == sheet->AddressPage()) {
                ClickNext();  // same address and mask, run connected or not: no new probe needed
                continue;
            }
            ClickNext();
        }
        ASSERT_EQ(Active(), sheet->ProgressPage());
        ASSERT_TRUE(WaitForBox(1));
        Settle();
        EXPECT_EQ(boxes->Last().text, QStringLiteral("Congratulations - your Quillet is set up!!\n\nLet's go Surfing!!"));
        EXPECT_EQ(run, LastRun()) << "the same run goes on";
        EXPECT_EQ(run->statesRun[stepsBefore], 3);
        EXPECT_EQ(LogLines().first(), QStringLiteral("Configuring Quillet"));
    }
}

TEST_F(ProgressTest, RetryInPlaceAndCancelThatResumes) {
    // Failure kind, state of the failing step, answer, the state the next step runs in,
    // and whether the run then goes on.
    struct Row {
        int kind;
        int failingState;
        int answer;
        int nextStep;
    };
    const Row rows[] = {
        {StepMachine::UserBusy, 7, wiz::IdRetry, 7},          // dialled again
        {StepMachine::RouteTestFailed, 8, wiz::IdRetry, 8},   // route tested again
        {StepMachine::Channel2Failure, 6, wiz::IdCancel, 7},  // one channel: go on dialling
        {StepMachine::Channel1Failure, 6, wiz::IdCancel, 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        int failures = 0;
        setupRun = [&](FakeRun& run) {
            run.handlers[2] = FakeRun::NoRouterOnProbe();
            run.handlers[row.failingState] = [&, kind = row.kind](FakeRun& r, std::string& m) {
                if (failures++ == 0) return FakeRun::FailWith(kind)(r, m);
                r.state = r.state + 1;
                return 1;
            };
        };
        MakeSheet();
        StartProgress();
        boxes->Answer(row.answer);
        ASSERT_TRUE(WaitForBox(1));
        Settle();
        EXPECT_EQ(Active(), sheet->ProgressPage());
        EXPECT_TRUE(Progress()->Running()) << "the timer was restarted";
        EXPECT_TRUE(sheet->BackButton()->isEnabled());
        EXPECT_TRUE(sheet->NextButton()->isEnabled());
        FakeRun* run = LastRun();
        size_t failedAt = run->statesRun.size();
        ASSERT_TRUE(WaitForBox(2));
        Settle();
        EXPECT_EQ(boxes->Last().text, QStringLiteral("Congratulations - your Quillet is set up!!\n\nLet's go Surfing!!"));
        ASSERT_GT(run->statesRun.size(), failedAt);
        EXPECT_EQ(run->statesRun[failedAt], row.nextStep);
        EXPECT_EQ(runs.size(), 2u);
    }
}

TEST_F(ProgressTest, CancelOnAFailureWithRetryEndsTheWizard) {
    setupRun = [](FakeRun& run) {
        run.handlers[2] = FakeRun::NoRouterOnProbe();
        run.handlers[7] = FakeRun::FailWith(StepMachine::AuthenticationFailure);
    };
    StartProgress();
    boxes->Answer(wiz::IdCancel);
    ASSERT_TRUE(WaitForBox(1));
    Settle();
    EXPECT_EQ(boxes->Last().topic, 3860);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(boxes->Count(), 1u) << "Finish ends it without the Cancel question";
}

TEST_F(ProgressTest, TheAbortQuestionHoldsTheRun) {
    // Asked while a step is on the worker: the step returns meanwhile, but nothing goes
    // on until the answer. Cancel resumes there; OK ends the wizard with nothing shown.
    for (int answer : {wiz::IdCancel, wiz::IdOk}) {
        SCOPED_TRACE(answer);
        std::atomic<bool> release{false};
        setupRun = [&](FakeRun& run) {
            run.handlers[2] = FakeRun::NoRouterOnProbe();
            run.handlers[3] = [&](FakeRun& r, std::string&) {
                while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                r.state = 4;
                return 1;
            };
        };
        MakeSheet();
        StartProgress();
        ASSERT_TRUE(WaitUntil([&] { return !LastRun()->statesRun.empty() && LastRun()->statesRun.back() == 3; }));
        size_t steps = 0, boxesWhileAsked = 0;
        boxes->OnNextBox([&] {
            release = true;
            WaitUntil([&] { return !sheet->Busy(); });
            WaitUntil([] { return false; }, 300);  // thirty ticks' time
            steps = LastRun()->statesRun.size();
            boxesWhileAsked = boxes->Count();
        });
        boxes->Answer(answer);
        sheet->CancelButton()->click();
        ASSERT_EQ(boxes->Count(), 1u) << "asked at once, with the step in flight";
        EXPECT_EQ(boxes->Calls()[0].text, QString::fromLatin1(wiz::CConfigPropertyPage8::CancelQuestion));
        EXPECT_EQ(boxes->Calls()[0].buttons, wiz::MsgButtons::OkCancel);
        EXPECT_EQ(boxes->Calls()[0].icon, wiz::MsgIcon::Question);
        EXPECT_EQ(steps, 4u) << "a step ran while the question was open";
        EXPECT_EQ(boxesWhileAsked, 1u);
        if (answer == wiz::IdCancel) {
            ASSERT_TRUE(WaitForBox(2));
            Settle();
            EXPECT_EQ(boxes->Last().text,
                      QStringLiteral("Congratulations - your Quillet is set up!!\n\nLet's go Surfing!!"));
            EXPECT_EQ(LastRun()->statesRun[4], 4);
        } else {
            Settle();
            EXPECT_FALSE(sheet->isVisible());
            WaitUntil([] { return false; }, 100);
            EXPECT_EQ(boxes->Count(), 1u);
            EXPECT_EQ(LastRun()->statesRun.size(), 4u);
        }
    }
}

TEST_F(ProgressTest, AnExceptionFromAStepIsAFailedRun) {
    setupRun = [](FakeRun& run) {
        run.handlers[2] = FakeRun::NoRouterOnProbe();
        run.handlers[4] = [](FakeRun&, std::string&) -> int { throw std::runtime_error("boom"); };
    };
    StartProgress();
    ASSERT_TRUE(WaitForBox(1));
    EXPECT_TRUE(boxes->Last().text.startsWith(
        QStringLiteral("An unexpected error has occurred in the Quillet Configuration Wizard.  The Wizard was "
                       "processing 'Saving changes and restarting Quillet'")));
    EXPECT_EQ(boxes->Last().icon, wiz::MsgIcon::Stop);
    Settle();
    EXPECT_TRUE(sheet->isVisible()) << "the page never ends the program";
}

} // namespace
} // namespace wiztest
