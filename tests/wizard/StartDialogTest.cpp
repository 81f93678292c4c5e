// Start-up and the start dialog: a fresh wizard per "Setup...", the about box from the
// context menu, the help overview, and the sockets failure.
#include "WizardTestSupport.h"

#include "wizard/app/AboutBox.h"
#include "wizard/app/App.h"
#include "wizard/app/StartDialog.h"

#include "qlwiz_version.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace wiztest {
namespace {

TEST(StartDialog, EverySetupStartsAFreshWizard) {
    ScriptedBoxes boxes;
    wiz::StartDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Quillet Configuration Wizard"));
    EXPECT_TRUE(dialog.SetupButton()->isDefault());
    int runs = 0;
    std::vector<std::string> passwordsSeen;
    std::vector<int> securitySeen;
    dialog.SetSheetRunner([&](wiz::CConfigPropertySheet& sheet) {
        ++runs;
        sheet.show();
        QCoreApplication::processEvents();
        passwordsSeen.push_back(sheet.PasswordPage()->PasswordBox()->text().toStdString());
        securitySeen.push_back(sheet.Settings().SecurityOn());
        // The first time the user types and changes things, then cancels.
        sheet.PasswordPage()->PasswordBox()->setText(QStringLiteral("typed"));
        sheet.PasswordPage()->ConfirmBox()->setText(QStringLiteral("typed"));
        sheet.NextButton()->click();
        sheet.Settings().SetSecurityOn(0);
        sheet.CancelButton()->click();
        QCoreApplication::processEvents();
        EXPECT_FALSE(sheet.isVisible());
    });
    dialog.SetupButton()->click();
    dialog.SetupButton()->click();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(passwordsSeen, (std::vector<std::string>{"", ""}));
    EXPECT_EQ(securitySeen, (std::vector<int>{1, 1}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(StartDialog, OverviewAndF1OpenTheHelpContents) {
    HelpRecorder help;
    wiz::StartDialog dialog;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    dialog.OverviewButton()->click();
    QTest::keyClick(&dialog, Qt::Key_F1);
    EXPECT_EQ(help.topics, (std::vector<int>{wiz::HelpContents, wiz::HelpContents}));
}

TEST(StartDialog, AboutBoxComesFromTheContextMenu) {
    wiz::StartDialog dialog;
    QList<QAction*> actions = dialog.ContextMenu()->actions();
    ASSERT_EQ(actions.size(), 1);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("&About QLWiz..."));
    QString title, text;
    QTimer::singleShot(0, [&] {
        auto* about = dynamic_cast<wiz::AboutBox*>(QApplication::activeModalWidget());
        if (!about) return;
        title = about->windowTitle();
        for (QLabel* label : about->findChildren<QLabel*>())
            if (!label->text().isEmpty()) text = label->text();
        about->accept();
    });
    actions[0]->trigger();
    EXPECT_EQ(title, QStringLiteral("About QLWiz"));
    EXPECT_EQ(text, QStringLiteral("ISDN Quillet Setup Wizard\nVersion 1.0"));
}

TEST(StartDialog, CancelEndsTheDialog) {
    wiz::StartDialog dialog;
    dialog.show();
    dialog.CancelButton()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(StartUp, SocketsThatCannotStartEndTheProgramWithMinusOne) {
    ScriptedBoxes boxes;
    EXPECT_EQ(wiz::RunQLWiz([] { return false; }), -1);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().text, QStringLiteral("Could not start WinSock"));
    EXPECT_EQ(boxes.Last().buttons, wiz::MsgButtons::Ok);
    EXPECT_EQ(boxes.Last().icon, wiz::MsgIcon::Exclamation);
    EXPECT_EQ(QApplication::applicationName(), QStringLiteral("Quillet Wizard"));
    EXPECT_EQ(QApplication::organizationName(), QStringLiteral("Tolvane Enterprises"));
}

TEST(StartUp, HelpAndVersionNeedNoDisplay) {
    struct Row {
        QStringList args;
        QByteArray output;  // its start
    };
    const Row rows[] = {
        {{"--help"}, "Usage: qlwiz [--help] [--version] [Qt options]\n"},
        {{"-platform", "xcb", "--version"}, "qlwiz " QLWIZ_VERSION "\n"},
    };
    for (const Row& row : rows) {
        QProcess qlwiz;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) env.remove(QString::fromLatin1(name));
        qlwiz.setProcessEnvironment(env);
        qlwiz.start(QStringLiteral(QLWIZ_PATH), row.args);
        ASSERT_TRUE(qlwiz.waitForFinished(10000));
        EXPECT_EQ(qlwiz.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(qlwiz.exitCode(), 0);
        EXPECT_TRUE(qlwiz.readAllStandardOutput().startsWith(row.output)) << row.args.join(' ').toStdString();
    }
}

} // namespace
} // namespace wiztest
