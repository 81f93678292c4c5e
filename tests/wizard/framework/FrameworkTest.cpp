// The wizard framework: the path-shaped page list, input held back while a call is on
// the worker (whose threads the probe and progress tests check), help, the real message box.
#include "WizardTestSupport.h"

#include "run/ConfigSettings.h"
#include "run/Process.h"
#include "wizard/pages/Pictures.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <atomic>

namespace wiztest {
namespace {

struct PlainPage : wiz::WizardPage {
    using WizardPage::WizardPage;
    void BuildWindow(QWidget*) override {}
};

TEST(WizardSheetPath, AddNextPageKeepsThePathTaken) {
    // Pages put on the path in turn (by letter), the page shown before the last one is
    // added, the path that results, and whether "b" then has a window.
    struct Row { std::string adds; char active; const char* path; bool bWindow; };
    const Row rows[] = {
        {"ab", 'a', "ab", false}, {"abc", 'b', "abc", true},
        {"abcb", 'c', "ab", true},   // back to a page on the path: what follows goes, b is shown
        {"abcd", 'b', "abd", true},  // a new page after the shown page cuts what followed it
        {"abca", 'b', "a", false},   // a page cut off the path loses its window
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.adds);
        wiz::WizardSheet sheet(QStringLiteral("Wizard"));
        PlainPage a(QStringLiteral("a")), b(QStringLiteral("b")), c(QStringLiteral("c")), d(QStringLiteral("d"));
        std::map<char, PlainPage*> pages = {{'a', &a}, {'b', &b}, {'c', &c}, {'d', &d}};
        for (size_t i = 0; i < row.adds.size(); ++i) {
            EXPECT_TRUE(i + 1 < row.adds.size() || sheet.SetActivePage(pages[row.active]));
            sheet.AddNextPage(pages[row.adds[i]]);
        }
        std::string path;
        for (int i = 0; i < sheet.PageCount(); ++i) path += sheet.PageAt(i)->Title().toStdString();
        EXPECT_EQ(path, row.path);
        EXPECT_EQ(b.HasWindow(), row.bWindow);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(SheetTest, InputWaitsWhileACallIsInFlightEscapeEndsTheWizardAfterIt) {
    // Help and F1 open the page's topic.
    sheet->HelpButton()->click();
    QTest::keyClick(sheet->PasswordPage()->PasswordBox(), Qt::Key_F1);
    EXPECT_EQ(help->topics, (std::vector<int>{104, 104}));
    std::atomic<bool> release{false};
    bool done = false;
    ASSERT_TRUE(sheet->RunBlocking([&] { while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1)); },
                                   [&] { done = true; }));
    auto* box = sheet->PasswordPage()->PasswordBox();
    QTest::keyClicks(box, QStringLiteral("abc"));
    EXPECT_EQ(box->text(), QString()) << "typing reached the page during the call";
    QTest::keyClick(box, Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_TRUE(sheet->isVisible());
    release = true;
    ASSERT_TRUE(WaitUntil([&] { return !sheet->isVisible(); }));
    EXPECT_FALSE(done) << "the continuation of a cancelled wizard ran";
}

TEST(HelpDocument, HasATopicForEveryNumberTheProgramOpens) {
    wiz::InitResources();
    QFile file(QStringLiteral(":/help/qlwiz.html"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QString html = QString::fromUtf8(file.readAll());
    std::vector<int> topics = {wiz::HelpContents, 4097, 4098, 4099, 4201, 104, 105, 106, 107, 108,
                               109, 114, 115, 116, 118, 119, 120, 123, 124, 125, 126, 127};
    ConfigSettings settings;
    const VLQLWizUIControl::Process run(&settings);  // the topics its failures name
    for (int kind = 0; kind < VLQLWizUIControl::StepMachine::FailureKindCount; ++kind)
        if (run.HelpTopic(kind) != VLQLWizUIControl::StepMachine::NoHelpTopic)
            topics.push_back(run.HelpTopic(kind));
    for (int t = 4202; t <= 4208; ++t) topics.push_back(t);  // the restore's and the compare's windows
    for (int t : topics) {
        // A real section follows the anchor: a heading and some words.
        int at = html.indexOf(QStringLiteral("<a name=\"%1\"></a>").arg(wiz::HelpAnchor(t)));
        int heading = html.indexOf(QStringLiteral("<h"), at);
        EXPECT_TRUE(at >= 0 && heading > at && html.indexOf(QStringLiteral("<p>"), at) > heading) << "topic " << t;
    }
}

TEST(RealMessageBox, HelpLeavesTheBoxOpenAndNoTopicMeansNoHelpButton) {
    QWidget behind;  // without a topic of its own, F1 in the box opens the window's
    wiz::SetWindowHelpTopic(&behind, 4205);
    behind.show();
    for (int topic : {4098, 0}) {
        QApplication::setActiveWindow(&behind);
        HelpRecorder help;
        bool helpButton = false, openAfterHelp = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            helpButton = box->button(QMessageBox::Help) != nullptr;
            QApplication::setActiveWindow(box);
            QTest::keyClick(box, Qt::Key_F1);
            if (helpButton) box->button(QMessageBox::Help)->click();
            openAfterHelp = box->isVisible();
            box->button(QMessageBox::Retry)->click();
        });
        EXPECT_EQ(wiz::RealMessageBox("Again?", MsgButtons::RetryCancel, MsgIcon::Question, topic), wiz::IdRetry);
        EXPECT_EQ(helpButton, topic != 0);
        EXPECT_TRUE(openAfterHelp);
        EXPECT_EQ(help.topics, topic ? std::vector<int>({topic, topic}) : std::vector<int>({4205}));
    }
}

} // namespace
} // namespace wiztest
