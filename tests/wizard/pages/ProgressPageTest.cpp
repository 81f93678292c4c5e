// The progress page on a scripted run: the log, the ticks, success, the failure flow
// with every kind of Retry and Cancel, and the abort question.
#include "WizardTestSupport.h"

#include <QApplication>
#include <QCursor>
#include <QPlainTextEdit>
#include <QProgressBar>

#include <atomic>

namespace wiztest {
namespace {

using VLQLWizUIControl::StepMachine;

class ProgressTest : public SheetTest {
protected:
    // From a fresh sheet to the progress page; the run is then going.
    void StartProgress(const QString& switchType = QStringLiteral("EuroISDN Net3")) {
        MakeSheet();
        WalkTo(sheet->ProgressPage(), {.switchType = switchType});
        boxes->Clear();
    }
    wiz::CConfigPropertyPage8* Progress() const { return sheet->ProgressPage(); }
    // Waits until `count` boxes were shown and the run stopped for them.
    bool WaitForBox(size_t count) {
        bool shown = WaitUntil([&] { return boxes->Count() >= count && !sheet->Busy(); }, 20000);
        Settle();
        return shown;
    }
    QStringList LogLines() const { return Progress()->LogText().split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
    bool FinishOnly() const {
        return sheet->FinishButton()->isVisible() && sheet->FinishButton()->isEnabled() &&
               !sheet->NextButton()->isVisible() && !sheet->BackButton()->isVisible() &&
               !sheet->CancelButton()->isEnabled();
    }
};

TEST_F(ProgressTest, ANewRouterRunsToSuccess) {
    int progressAtMessage = 0;
    bool finishOnly = false;
    StartProgress();
    EXPECT_FALSE(sheet->NextButton()->isEnabled() || sheet->BackButton()->isEnabled());
    EXPECT_TRUE(QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor);
    boxes->OnNextBox([&] {
        progressAtMessage = Progress()->ProgressBar()->value();
        finishOnly = FinishOnly();
    });
    ASSERT_TRUE(WaitForBox(1));
    EXPECT_EQ(boxes->Last().text, Congratulation);
    EXPECT_TRUE(boxes->Last().icon == MsgIcon::Exclamation && boxes->Last().topic == 3862);
    EXPECT_TRUE(progressAtMessage == 100 && finishOnly);
    EXPECT_EQ(sheet->result(), QDialog::Accepted);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ASSERT_EQ(runs.size(), 2u) << "the probe's run, dropped, and the progress page's";
    EXPECT_EQ(LastRun()->statesRun, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    for (std::thread::id id : LastRun()->threads) EXPECT_NE(id, std::this_thread::get_id());
    // A new run starts in the state it last stepped (0), so searching has no line of its own.
    EXPECT_EQ(LogLines(), (QStringList{"Waiting for Quillet to request address", "Connecting to Quillet",
                                       "Configuring Quillet", "Saving changes and restarting Quillet",
                                       "Reconnecting to Quillet", "Checking ISDN connection",
                                       "Establishing PPP connection", "Testing route", "Setup succeeded. Saving changes"}));
}

TEST_F(ProgressTest, TheFailureFlow) {
    // How a state fails, the switch type and the answer (0: no Retry offered, OK alone);
    // then the page shown (null: the run goes on in place, from `next`), or the end.
    using Sheet = wiz::CConfigPropertySheet;
    using K = StepMachine;
    enum Then { Back, InPlace, Ends, FinishOnly };
    struct Row {
        int state;
        FakeRun::Handler fail;
        const char* switchType;
        int answer;
        Then then;
        std::function<wiz::WizardPage*(Sheet&)> page;
        int next;
    };
    auto once = FakeRun::FailOnce;
    const Row rows[] = {
        {6, once(K::IsdnFailure), "EuroISDN Net3", wiz::IdRetry, Back, [](Sheet& s) { return s.SwitchTypePage(); }, 3},
        {6, once(K::Channel1Failure), "Japan NTT", wiz::IdRetry, Back, [](Sheet& s) { return s.DirNoPage(); }, 3},
        {6, once(K::Channel2Failure), "National ISDN1", wiz::IdRetry, Back, [](Sheet& s) { return s.SpidPage(); }, 3},
        {7, once(K::AuthenticationFailure), "EuroISDN Net3", wiz::IdRetry, Back,
         [](Sheet& s) { return s.AuthenticationPage(); }, 3},
        {7, once(K::DialNoAnswer), "EuroISDN Net3", wiz::IdRetry, Back, [](Sheet& s) { return s.DialingPage(); }, 3},
        {7, once(K::IspRejected), "EuroISDN Net3", wiz::IdRetry, Back, [](Sheet& s) { return s.AddressPage(); }, 3},
        {7, once(K::UserBusy), "EuroISDN Net3", wiz::IdRetry, InPlace, {}, 7},          // dialled again
        {6, once(K::Channel2Failure), "EuroISDN Net3", wiz::IdCancel, InPlace, {}, 7},  // one channel: dial
        {7, once(K::AuthenticationFailure), "EuroISDN Net3", wiz::IdCancel, Ends, {}, 0},
        {3, FakeRun::FailWith(K::SettingFilter), "EuroISDN Net3", 0, FinishOnly, {}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.state) + " " + std::to_string(row.answer));
        setupRun = [&](FakeRun& run) { run.handlers[row.state] = row.fail; };
        StartProgress(QString::fromLatin1(row.switchType));
        if (row.answer) boxes->Answer(row.answer);
        ASSERT_TRUE(WaitForBox(1));
        FakeRun* run = LastRun();
        size_t failedAt = run->statesRun.size();
        if (row.then == FinishOnly) {
            EXPECT_TRUE(boxes->Last().buttons == MsgButtons::Ok && boxes->Last().icon == MsgIcon::Stop);
            EXPECT_TRUE(sheet->isVisible() && this->FinishOnly()) << "the page never ends the program";
            sheet->FinishButton()->click();
            EXPECT_FALSE(sheet->isVisible());
            continue;
        }
        EXPECT_TRUE(boxes->Last().buttons == MsgButtons::RetryCancel && boxes->Last().icon == MsgIcon::Question);
        if (row.then == Ends) {
            EXPECT_FALSE(sheet->isVisible());
            EXPECT_EQ(boxes->Count(), 1u) << "Finish ends it without the abort question";
            continue;
        }
        EXPECT_TRUE(sheet->BackButton()->isEnabled() && sheet->NextButton()->isEnabled());
        if (row.then == Back) {
            wiz::WizardPage* target = row.page(*sheet);
            EXPECT_EQ(Active(), target);
            EXPECT_EQ(Path().back(), target) << "the progress page and those between are cut";
            EXPECT_EQ(run->state, StepMachine::Configuring);
            EXPECT_EQ(QApplication::overrideCursor(), nullptr);
            // Forward again: an empty log, the same run from Configuring.
            boxes->Clear();
            WalkTo(sheet->ProgressPage(), {.newRouter = false, .switchType = QString::fromLatin1(row.switchType)});
            ASSERT_TRUE(WaitUntil([&] { return !LogLines().isEmpty(); }));
            EXPECT_EQ(LogLines().value(0), QStringLiteral("Configuring Quillet"));
        } else {
            EXPECT_TRUE(Active() == sheet->ProgressPage() && Progress()->Running()) << "the timer was restarted";
        }
        ASSERT_TRUE(WaitForBox(boxes->Count() + 1));
        EXPECT_EQ(boxes->Last().text, Congratulation);
        EXPECT_EQ(LastRun(), run) << "the same run goes on";
        EXPECT_EQ(run->statesRun.at(failedAt), row.next);
    }
}

TEST_F(ProgressTest, TheAbortQuestionHoldsTheRun) {
    // Asked while a step is on the worker: the step returns meanwhile, but nothing goes
    // on until the answer. Cancel resumes there; OK ends the wizard with nothing shown.
    for (int answer : {wiz::IdCancel, wiz::IdOk}) {
        SCOPED_TRACE(answer);
        std::atomic<bool> release{false};
        setupRun = [&](FakeRun& run) {
            run.handlers[3] = [&](FakeRun& r, std::string&) {
                while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                r.state = 4;
                return 1;
            };
        };
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
        EXPECT_EQ(boxes->calls[0].text, QString::fromLatin1(wiz::CConfigPropertyPage8::CancelQuestion));
        EXPECT_TRUE(boxes->calls[0].buttons == MsgButtons::OkCancel && boxes->calls[0].icon == MsgIcon::Question);
        EXPECT_TRUE(steps == 4u && boxesWhileAsked == 1u) << "the run went on while the question was open";
        if (answer == wiz::IdCancel) {
            ASSERT_TRUE(WaitForBox(2));
            EXPECT_EQ(boxes->Last().text, Congratulation);
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

} // namespace
} // namespace wiztest
