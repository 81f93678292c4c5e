// The wizard-sheet framework: the path-shaped page list, the worker call, input held
// back while a call is in flight, help and the real message box.
#include "WizardTestSupport.h"

#include "wizard/pages/Pictures.h"
#include "wizard/framework/WizardSheet.h"
#include "wizard/framework/WorkerCall.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace wiztest {
namespace {

class PlainPage : public wiz::WizardPage {
public:
    explicit PlainPage(QString name) : WizardPage(std::move(name)) {}
    int windowsMade = 0;

protected:
    void BuildWindow(QWidget*) override { ++windowsMade; }
};

TEST(WizardSheetPath, AddNextPageKeepsThePathTaken) {
    // Each row: pages put on the path in turn (by letter), the page that is active when
    // the next one is added, and the path that must result.
    struct Row {
        const char* adds;
        const char* activeBeforeLast;
        const char* path;
    };
    const Row rows[] = {
        {"a", "", "a"},
        {"ab", "a", "ab"},
        {"abc", "b", "abc"},
        {"abcb", "c", "ab"},   // back to a page on the path: everything after it goes
        {"abcd", "b", "abd"},  // a new page after the active page cuts what followed it
        {"abca", "c", "a"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.adds);
        wiz::WizardSheet sheet(QStringLiteral("Wizard"));
        std::map<char, std::unique_ptr<PlainPage>> pages;
        for (char c : std::string("abcd")) pages[c] = std::make_unique<PlainPage>(QString(QChar(c)));
        std::string adds = row.adds;
        for (size_t i = 0; i < adds.size(); ++i) {
            if (i + 1 == adds.size() && *row.activeBeforeLast) {
                ASSERT_TRUE(sheet.SetActivePage(pages[row.activeBeforeLast[0]].get()));
            }
            sheet.AddNextPage(pages[adds[i]].get());
        }
        std::string path;
        for (int i = 0; i < sheet.PageCount(); ++i) path += sheet.PageAt(i)->Title().toStdString();
        EXPECT_EQ(path, row.path);
    }
}

TEST(WizardSheetPath, ACutPageGetsAFreshWindow) {
    wiz::WizardSheet sheet(QStringLiteral("Wizard"));
    PlainPage a(QStringLiteral("a")), b(QStringLiteral("b"));
    sheet.AddNextPage(&a);
    sheet.AddNextPage(&b);
    sheet.SetActivePage(&b);
    EXPECT_TRUE(b.HasWindow());
    sheet.SetActivePage(&a);
    sheet.AddNextPage(&a);  // cuts b
    EXPECT_FALSE(b.HasWindow());
    EXPECT_EQ(sheet.PageCount(), 1);
    sheet.AddNextPage(&b);
    sheet.SetActivePage(&b);
    EXPECT_EQ(b.windowsMade, 2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(WorkerCall, RunsOffTheGuiThreadAndContinuesOnIt) {
    wiz::WorkerCall call;
    std::mutex m;
    std::condition_variable cv;
    bool release = false;
    std::thread::id workThread, doneThread;
    ASSERT_TRUE(call.Start(
        [&] {
            workThread = std::this_thread::get_id();
            std::unique_lock<std::mutex> lock(m);
            cv.wait(lock, [&] { return release; });
        },
        [&] { doneThread = std::this_thread::get_id(); }));
    EXPECT_TRUE(call.Busy());
    EXPECT_FALSE(call.Start([] {}, [] {})) << "a second call while one is in flight";
    // The GUI thread is free while the call blocks.
    QCoreApplication::processEvents();
    EXPECT_TRUE(call.Busy());
    {
        std::lock_guard<std::mutex> lock(m);
        release = true;
    }
    cv.notify_all();
    ASSERT_TRUE(WaitUntil([&] { return !call.Busy(); }));
    EXPECT_NE(workThread, std::this_thread::get_id());
    EXPECT_EQ(doneThread, std::this_thread::get_id());
}

TEST(WorkerCall, DestroyingWaitsForTheCallAndDropsItsContinuation) {
    std::atomic<bool> finished{false};
    bool continued = false;
    {
        wiz::WorkerCall call;
        call.Start(
            [&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
                finished = true;
            },
            [&] { continued = true; });
    }
    EXPECT_TRUE(finished);
    QCoreApplication::processEvents();
    EXPECT_FALSE(continued);
}

TEST_F(SheetTest, InputWaitsWhileACallIsInFlight) {
    std::mutex m;
    std::condition_variable cv;
    bool release = false;
    bool done = false;
    ASSERT_TRUE(sheet->RunBlocking(
        [&] {
            std::unique_lock<std::mutex> lock(m);
            cv.wait(lock, [&] { return release; });
        },
        [&] { done = true; }));
    auto* box = sheet->PasswordPage()->PasswordBox();
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("abc"));
    EXPECT_EQ(box->text(), QString()) << "typing reached the page during the call";
    // Escape while busy: the wizard ends once the call is back, its continuation dropped.
    QTest::keyClick(box, Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_TRUE(sheet->isVisible());
    {
        std::lock_guard<std::mutex> lock(m);
        release = true;
    }
    cv.notify_all();
    ASSERT_TRUE(WaitUntil([&] { return !sheet->isVisible(); }));
    EXPECT_FALSE(done);
    EXPECT_EQ(sheet->result(), QDialog::Rejected);
}

TEST_F(SheetTest, HelpButtonAndF1OpenThePageTopic) {
    sheet->HelpButton()->click();
    QTest::keyClick(sheet->PasswordPage()->PasswordBox(), Qt::Key_F1);
    EXPECT_EQ(help->topics, (std::vector<int>{104, 104}));
}

TEST(HelpDocument, HasATopicForEveryNumberTheProgramOpens) {
    wiz::InitResources();
    QFile file(QStringLiteral(":/help/qlwiz.html"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QString html = QString::fromUtf8(file.readAll());
    std::vector<int> topics = {wiz::HelpContents};
    for (int t = 3841; t <= 3867; ++t) topics.push_back(t);
    for (int t : {4097, 4098, 4099, 4201}) topics.push_back(t);
    for (int t : {104, 105, 106, 107, 108, 109, 114, 115, 116, 118, 119, 120, 123, 124, 125}) topics.push_back(t);
    for (int t : topics) {
        QString anchor = QStringLiteral("<a name=\"%1\"></a>").arg(wiz::HelpAnchor(t));
        int at = html.indexOf(anchor);
        ASSERT_GE(at, 0) << "no topic " << t;
        // A real section follows: a heading and some words, not just the anchor.
        int heading = html.indexOf(QStringLiteral("<h"), at);
        int para = html.indexOf(QStringLiteral("<p>"), at);
        EXPECT_TRUE(heading > at && para > heading) << "topic " << t << " has no text";
    }
}

TEST(RealMessageBox, HelpAndF1OpenTheTopicWithoutClosingTheBox) {
    HelpRecorder help;
    int answer = 0;
    bool sawBox = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        sawBox = true;
        EXPECT_EQ(box->text(), QStringLiteral("Is this right?"));
        QApplication::setActiveWindow(box);
        QTest::keyClick(box, Qt::Key_F1);
        box->button(QMessageBox::Help)->click();
        EXPECT_TRUE(box->isVisible()) << "Help closed the question";
        box->button(QMessageBox::No)->click();
    });
    answer = wiz::RealMessageBox(QStringLiteral("Is this right?"), wiz::MsgButtons::YesNoCancel,
                                 wiz::MsgIcon::Question, 4098);
    ASSERT_TRUE(sawBox);
    EXPECT_EQ(answer, wiz::IdNo);
    EXPECT_EQ(help.topics, (std::vector<int>{4098, 4098}));
}

TEST(RealMessageBox, NoHelpButtonWithoutATopic) {
    bool hadHelp = true;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        hadHelp = box->button(QMessageBox::Help) != nullptr;
        box->button(QMessageBox::Retry)->click();
    });
    EXPECT_EQ(wiz::RealMessageBox(QStringLiteral("Again?"), wiz::MsgButtons::RetryCancel, wiz::MsgIcon::Exclamation, 0),
              wiz::IdRetry);
    EXPECT_FALSE(hadHelp);
}

} // namespace
} // namespace wiztest
