// Start-up and the start dialog, and the whole wizard with the keyboard alone, then Back (its names
// and mnemonics are checked on every page by the accessibility walk).
#include "WizardTestSupport.h"

#include "qlwiz_version.h"
#include "wizard/app/App.h"
#include "wizard/app/PasswordPrompt.h"
#include "wizard/app/StartDialog.h"
#include "wizard/pages/ChangesWindow.h"
#include "wizard/pages/Pictures.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace wiztest {
namespace {

TEST(StartDialog, EverySetupStartsAFreshWizard) {
    ScriptedBoxes boxes;
    HelpRecorder help;
    wiz::StartDialog dialog;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    std::vector<std::string> passwords;
    dialog.SetSheetRunner([&](wiz::CConfigPropertySheet& sheet) {
        sheet.show();
        passwords.push_back(sheet.PasswordPage()->PasswordBox()->text().toStdString());
        sheet.PasswordPage()->PasswordBox()->setText(QStringLiteral("typed"));
        sheet.CancelButton()->click();
    });
    dialog.SetupButton()->click();
    dialog.SetupButton()->click();
    EXPECT_EQ(passwords, (std::vector<std::string>{"", ""}));
    // "Overview ..." and F1 open the help's contents; Cancel ends the dialog.
    dialog.OverviewButton()->click();
    QTest::keyClick(&dialog, Qt::Key_F1);
    EXPECT_EQ(help.topics, (std::vector<int>{wiz::HelpContents, wiz::HelpContents}));
    dialog.CancelButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(StartUp, SocketsThatCannotStartEndTheProgramWithMinusOne) {
    ScriptedBoxes boxes;
    EXPECT_EQ(wiz::RunQLWiz([] { return false; }), -1);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().text, QStringLiteral("Could not start WinSock"));
    EXPECT_EQ(boxes.Last().icon, MsgIcon::Exclamation);
}

TEST_F(SheetTest, TheWholeWizardWithTheKeyboardAlone) {
    auto focus = [] { return QApplication::focusWidget(); };
    // Typed into the focused control, then a key.
    auto keys = [&](const char* text, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClicks(focus(), QString::fromLatin1(text));
        QTest::keyClick(focus(), key, mods);
        Settle();
    };
    EXPECT_EQ(focus(), sheet->PasswordPage()->PasswordBox()) << "the first box takes the keyboard";
    EXPECT_FALSE(sheet->BackButton()->isEnabled()) << "nothing before the password page";
    keys("pw", Qt::Key_Tab);
    keys("pw", Qt::Key_Return);
    keys("10.0.0.1", Qt::Key_M, Qt::AltModifier);  // the mask label's mnemonic
    EXPECT_EQ(focus(), sheet->AddressPage()->MaskBox());
    boxes->Answer(wiz::IdYes);
    keys("255.255.255.0", Qt::Key_Return);
    EXPECT_EQ(focus(), sheet->SwitchTypePage()->SwitchList());
    keys("Euro", Qt::Key_Return);  // type-ahead in the list
    keys("5551234", Qt::Key_Return);
    EXPECT_EQ(focus(), sheet->SecurityPage()->OnButton()) << "the checked button of the group";
    keys("", Qt::Key_Down);
    keys("", Qt::Key_Return);
    keys("", Qt::Key_P, Qt::AltModifier);
    keys("555 0100", Qt::Key_Return);
    keys("office", Qt::Key_Tab);
    keys("secret", Qt::Key_Tab);
    keys("secret", Qt::Key_Return);
    ASSERT_EQ(Active(), sheet->SummaryPage());
    EXPECT_EQ(sheet->SummaryPage()->ShownSummary(),
              "IP Address:\t10.0.0.1\r\nNetwork Mask:\t255.255.255.0\r\nISDN Switch type:\tEuroISDN Net3\r\n"
              "Channel 1 DirNo:\t5551234\r\nYou have chosen to disable security.\r\nMax B Channels:\t1\r\n"
              "Phone Number:\t555 0100\r\nUsername:\toffice\r\n");
    // Back and a changed answer: the same path, the summary shows the change.
    Pages before = Path();
    QString summary = sheet->SummaryPage()->ShownSummary();
    ClickBack();
    sheet->AuthenticationPage()->NameBox()->setText(QStringLiteral("renamed"));
    ClickNext();
    EXPECT_EQ(Path(), before);
    EXPECT_EQ(sheet->SummaryPage()->ShownSummary(), summary.replace("Username:\toffice", "Username:\trenamed"));
    for (int i = 0; i < 3; ++i) ClickBack();
    EXPECT_EQ(Active(), sheet->SecurityPage()) << "Back from dialing, security off";
    // Cancel before the progress page ends the wizard without a question.
    boxes->Clear();
    sheet->CancelButton()->click();
    Settle();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(SheetTest, HelpThenEscapeGivesTheKeyboardBackToTheWindowThatAskedForIt) {
    help.reset();  // the real help window
    wiz::InitResources();
    using Purpose = wiz::ChangesWindow::Purpose;
    const auto preview = VLQLWizUIControl::GroupPreview({"set ether0 address 10.0.0.1", "save address", "reboot"}, {});
    wiz::StartDialog start;
    wiz::PasswordPrompt prompt(QStringLiteral("10.0.0.1"));
    std::unique_ptr<wiz::ChangesWindow> changes;
    // F1 on the control that has the keyboard, Escape in the help: the same window is
    // active again, the keyboard on the same control.
    auto helpAndBack = [](QWidget* window) {
        ASSERT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == window; }, 2000));
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus && window->isAncestorOf(focus));
        QTest::keyClick(focus, Qt::Key_F1);
        ASSERT_TRUE(WaitUntil([] { return QApplication::activeWindow() == wiz::HelpWindow::Instance(); }, 2000));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        EXPECT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == window && QApplication::focusWidget() == focus; },
                              2000)) << window->windowTitle().toStdString();
        EXPECT_FALSE(wiz::HelpWindow::Instance()->isVisible());
    };
    const std::vector<std::function<QWidget*()>> windows = {
        [&]() -> QWidget* { return start.show(), &start; },
        [&]() -> QWidget* { return sheet->activateWindow(), sheet.get(); },
        [&]() -> QWidget* {
            changes = std::make_unique<wiz::ChangesWindow>(Purpose::Changes, preview, QString(), "10.0.0.1", Active()->Window());
            return changes->open(), changes.get();
        },
        [&]() -> QWidget* {
            changes = std::make_unique<wiz::ChangesWindow>(Purpose::Restore, preview, QString(), "10.0.0.1", &start);
            return changes->open(), changes.get();
        },
        [&]() -> QWidget* { return prompt.open(), &prompt; },
    };
    for (const auto& open : windows) {
        QWidget* window = open();
        SCOPED_TRACE(window->windowTitle().toStdString());
        helpAndBack(window);
        if (window != sheet.get()) window->close();
    }
    // A real message box over the sheet; once answered, the sheet has the keyboard again.
    sheet->activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == sheet.get(); }, 2000));
    QWidget* before = QApplication::focusWidget();
    QTimer::singleShot(0, [&] {
        auto* box = dynamic_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        helpAndBack(box);
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(wiz::RealMessageBox("Saving ISP Location", MsgButtons::OkCancel, MsgIcon::Stop, 3850), wiz::IdOk);
    EXPECT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == sheet.get() && QApplication::focusWidget() == before; }));
}

} // namespace
} // namespace wiztest
