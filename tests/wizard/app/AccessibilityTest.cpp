// The wizard as assistive tools see it, through Qt's own accessibility interfaces: what
// each page names, what it announces when it opens, and what the probe and the run say;
// on the way, every page's layout and the longest path's summary and its file.
#include "WizardTestSupport.h"

#include "platform/Hooks.h"
#include "wizard/app/PasswordPrompt.h"
#include "wizard/app/RestoreDialog.h"
#include "wizard/app/StartDialog.h"
#include "wizard/pages/ChangesWindow.h"
#include "wizard/pages/Pictures.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>

// Offscreen, Qt keeps accessibility off and sends no events at all (QAccessible::setActive
// only tells observers). The test switches it on as a screen reader's bridge would, through
// the platform's accessibility hook, as Qt's own accessibility tests do.
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>

namespace wiztest {
namespace {

// What a tool reads off the object as the event comes: its value, or its name and description.
struct Heard { QAccessible::Event type; QObject* object; QString text, description; bool busy; };
std::vector<Heard> heard;

void Record(QAccessibleEvent* event) {
    QAccessibleInterface* iface = event->accessibleInterface();
    QString text = event->type() == QAccessible::ValueChanged
                       ? static_cast<QAccessibleValueChangeEvent*>(event)->value().toString()
                       : iface ? iface->text(QAccessible::Name) : QString();
    heard.push_back({event->type(), event->object(), text, iface ? iface->text(QAccessible::Description) : QString(),
                     iface && iface->state().busy});
}

QString Plain(QString label) { return label.remove(QLatin1Char('&')).simplified(); }

class AccessibilityTest : public SheetTest {
protected:
    void SetUp() override {
        QGuiApplicationPrivate::platform_integration->accessibility()->setActive(true);
        ASSERT_TRUE(QAccessible::isActive());
        old_ = QAccessible::installUpdateHandler(Record);
        SheetTest::SetUp();
    }
    void TearDown() override {
        SheetTest::TearDown();
        QAccessible::installUpdateHandler(old_);
        QGuiApplicationPrivate::platform_integration->accessibility()->setActive(false);
        heard.clear();
    }
    const Heard* First(QAccessible::Event type, QObject* object = nullptr, const Heard* after = nullptr) const {
        for (size_t i = after ? size_t(after - heard.data()) + 1 : 0; i < heard.size(); ++i)
            if (heard[i].type == type && (!object || heard[i].object == object)) return &heard[i];
        return nullptr;
    }

    // Every control a user works on names what it takes: its label's words, the group of a
    // radio button, the meaning of the mark beside a box.
    void ExpectNamed(QAccessibleInterface* iface) {
        for (int i = 0; i < iface->childCount(); ++i) {
            QAccessibleInterface* child = iface->child(i);
            if (!child || child->state().invisible) continue;
            QAccessible::Role role = child->role();
            QString name = child->text(QAccessible::Name);
            QObject* widget = child->object();
            if (role == QAccessible::EditableText || role == QAccessible::List || role == QAccessible::RadioButton) {
                EXPECT_FALSE(name.trimmed().isEmpty()) << widget->metaObject()->className();
                if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QListWidget*>(widget)) {
                    // The box tells the label that names it, with a mnemonic that reaches it.
                    QLabel* label = nullptr;
                    for (const auto& rel : child->relations(QAccessible::Label))
                        label = qobject_cast<QLabel*>(rel.first->object());
                    EXPECT_TRUE(label && label->text().contains('&') && Plain(label->text()).contains(Plain(name)))
                        << name.toStdString();
                    EXPECT_FALSE(child->text(QAccessible::Description).isEmpty()) << name.toStdString();
                }
                if (role == QAccessible::RadioButton) {
                    EXPECT_TRUE(child->parent()->role() == QAccessible::Grouping &&
                                !child->parent()->text(QAccessible::Name).isEmpty()) << name.toStdString();
                }
                continue;
            }
            ExpectNamed(child);
        }
    }

    QAccessible::UpdateHandler old_ = nullptr;
};

TEST_F(AccessibilityTest, EveryPageIsNamedAnnouncedAndFocusedWhereTheUserStarts) {
    // The page's title and the name of the control it opens in; the walk visits both line-ID
    // pages (going back to the switch type in between) and every host page.
    struct Row { wiz::WizardPage* page; QString title, first; };
    auto& s = *sheet;
    const std::vector<Row> rows = {
        {s.PasswordPage(), "Password", "Administration Password"},
        {s.AddressPage(), "Internet Address", "Quillet's Internet (IP) Address"},
        {s.SwitchTypePage(), "ISDN", "Central Office ISDN Switch Type"},
        {s.DirNoPage(), "ISDN Line IDs", "B Channel Directory Number"},
        {s.SpidPage(), "ISDN Line IDs", "B Channel 1 SPID"},
        {s.SecurityPage(), "Internet Security", "Security On"},
        {s.FtpPage(), "FTP Host", "File Transfer (FTP) Host Internet Address"},
        {s.HttpPage(), "HTTP Host", "World Wide Web (HTTP) Host Internet Address"},
        {s.SmtpPage(), "SMTP Host", "Internet Mail (SMTP) Host Internet Address"},
        {s.DnsPage(), "DNS Server Host", "Domain Name Service (DNS) Server Internet Address"},
        // On demand is the default: the checked button, not the first, takes the keyboard.
        {s.CxnTypePage(), "Connection Type", "On Demand Dialing"},
        {s.DialingPage(), "Dialing Configuration", "128KB (2 B Channels)"},
        {s.AuthenticationPage(), "Authentication", "ISP Account Name"},
        {s.SummaryPage(), "Configuration Summary", "Configuration summary"},
        {s.ProgressPage(), "Setup Progress", "Setup progress log"},
    };
    // The longest path, whose summary and file are checked on the way.
    Answers a;
    a.security = true, a.hosts[1] = QStringLiteral("10.0.0.80"), a.onDemand = false;
    a.twoChannels = true, a.phone2 = QStringLiteral("555-0101");
    const QString summary = QStringLiteral(
        "IP Address:\t10.0.0.1\r\nNetwork Mask:\t255.255.255.0\r\nISDN Switch type:\tNational ISDN1\r\n"
        "Channel 1 SPID:\t0155\r\nChannel 1 DirNo:\t5551234\r\nChannel 2 SPID:\t0156\r\nChannel 2 DirNo:\t5551235\r\n"
        "You have chosen to enable security.\r\nFTP Host:\t\r\nHTTP Host:\t10.0.0.80\r\nSMTP Host:\t\r\nDNS Host:\t\r\n"
        "Quillet will keep connection up continuously\r\nMax B Channels:\t2\r\nPhone Number:\t555-0100\r\n"
        "Phone Number 2:\t555-0101\r\nUsername:\toffice\r\n");
    const QString file = QString::fromStdString(platform::GetHooks().summaryFile);
    std::string ignored;
    sheet->Settings().SetChannels("2", ignored);  // the dialing page opens on its second button
    checkLayout = true;  // and every page it reaches shows its texts whole
    for (size_t r = 0; r < rows.size(); ++r) {
        const Row& row = rows[r];
        bool changed = r > 0;
        if (changed) {
            if (row.page == s.SpidPage()) {
                ClickBack();
                a.switchType = QStringLiteral("National ISDN1");
            }
            heard.clear();
            if (row.page == s.ProgressPage()) ClickNext();
            else WalkTo(row.page, a);
        }
        wiz::WizardPage* page = Active();
        SCOPED_TRACE(row.title.toStdString());
        ASSERT_EQ(page->Title(), row.title);
        QAccessibleInterface* dialog = QAccessible::queryAccessibleInterface(sheet.get());
        QAccessibleInterface* pane = QAccessible::queryAccessibleInterface(page->Window());
        if (changed) {
            const Heard* named = First(QAccessible::NameChanged, sheet.get());
            ASSERT_NE(named, nullptr) << "the page change was not announced";
            EXPECT_TRUE(named->text == row.title && named->description == page->Explanation());
            // The keyboard lands on the page's first control at once, on nothing before it.
            const Heard* focus = First(QAccessible::Focus, nullptr, named);
            ASSERT_NE(focus, nullptr);
            EXPECT_EQ(static_cast<QWidget*>(focus->object)->accessibleName(), row.first);
        }
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->accessibleName(), row.first);
        EXPECT_EQ(dialog->text(QAccessible::Name), row.title);
        if (page != sheet->ProgressPage()) {
            EXPECT_FALSE(page->Explanation().isEmpty());
            EXPECT_EQ(pane->text(QAccessible::Description), page->Explanation());
            EXPECT_EQ(dialog->text(QAccessible::Description), page->Explanation());
        }
        ExpectNamed(pane);
        // A list's entries are its named items; on a page left behind none claims the focus.
        if (auto* list = sheet->SwitchTypePage()->SwitchList(); list && page != sheet->SwitchTypePage()) {
            QAccessibleInterface* entries = QAccessible::queryAccessibleInterface(list);
            ASSERT_EQ(entries->childCount(), list->count());
            for (int i = 0; i < list->count(); ++i) {
                QAccessibleInterface* entry = entries->child(i);
                EXPECT_TRUE(entry->role() == QAccessible::ListItem && entry->text(QAccessible::Name) == list->item(i)->text() &&
                            entries->indexOfChild(entry) == i && !entry->state().focused) << i;
            }
        }
        if (page == sheet->SwitchTypePage() && changed) {
            // The probe said what it does on its status bar, the page busy meanwhile.
            QString looking = QString::fromLatin1(wiz::CConfigPropertyIPAddressPage::LookingText).replace("\r\n", " ");
            QLabel* status = sheet->AddressPage()->StatusText();
            const Heard* renamed = First(QAccessible::NameChanged, status);
            EXPECT_TRUE(renamed && renamed->text == looking) << "the probe's status was not announced";
            EXPECT_EQ(QAccessible::queryAccessibleInterface(status)->role(), QAccessible::StatusBar);
            const Heard* busy = First(QAccessible::StateChanged, sheet->AddressPage()->Window());
            EXPECT_TRUE(busy && busy->busy);
        }
        if (auto* box = sheet->SummaryPage()->SummaryBox(); page == sheet->SummaryPage()) {
            heard.clear();
            QTest::keyClick(box, Qt::Key_Down);  // the caret moves with the keys, line by line
            EXPECT_EQ(box->textCursor().blockNumber(), 1);
            EXPECT_NE(First(QAccessible::TextCaretMoved, box), nullptr);
            Pages path;
            for (const Row& each : rows) path.push_back(each.page);
            path.erase(path.begin() + 3);  // the directory number page, cut by the new switch type
            EXPECT_EQ(Path(), Pages(path.begin(), path.end() - 1));
            EXPECT_EQ(sheet->SummaryPage()->ShownSummary(), summary);
            EXPECT_EQ(box->toPlainText() + "\n", QString(summary).replace("\r\n", "\n"));
            // The page names the file where it goes; Next writes what the box shows.
            QList<QLabel*> labels = page->Window()->findChildren<QLabel*>();
            EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&](QLabel* l) { return l->text().contains("saved to " + file); }));
            QFile::remove(file);
        }
    }
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(written.readAll()), summary);
    // The run goes on: the page is busy, the bar a busy indicator that sends at most its last value.
    QProgressBar* bar = sheet->ProgressPage()->ProgressBar();
    QObject* progress = sheet->ProgressPage()->Window();
    EXPECT_TRUE(sheet->ProgressPage()->Running() && bar->minimum() == 0 && bar->maximum() == 0);
    const Heard* busy = First(QAccessible::StateChanged, progress);
    ASSERT_TRUE(busy && busy->busy);
    const size_t busyAt = size_t(busy - heard.data());  // the record grows while the run goes
    ASSERT_TRUE(WaitUntil([&] { return boxes->Count() >= 2 && !sheet->Busy(); }, 20000));
    const Heard* idle = First(QAccessible::StateChanged, progress, &heard[busyAt]);
    EXPECT_TRUE(idle && !idle->busy);
    EXPECT_LE(std::count_if(heard.begin(), heard.end(),
                            [&](const Heard& h) { return h.type == QAccessible::ValueChanged && h.object == bar; }), 1);
}

TEST_F(AccessibilityTest, TheStartPreviewRestoreCompareAndPasswordWindowsNameAndDescribeEveryControl) {
    // What a screen reader reads of each window: its name and description, then each
    // control it can work, in the order a screen reader walks them, with role, name and description.
    using Purpose = wiz::ChangesWindow::Purpose;
    using Role = QAccessible::Role;
    const auto preview = VLQLWizUIControl::GroupPreview({"set isp password pw", "save location", "reboot"}, {});
    VLQLWizUIControl::RouterSnapshot snapshot;
    snapshot.address = "10.0.0.1", snapshot.taken = "2026-12-07T20:30:16Z";
    wiz::ChangesWindow changes(Purpose::Changes, preview, QString(), "10.0.0.1");
    wiz::ChangesWindow confirm(Purpose::Restore, preview, QString(), "10.0.0.1");
    wiz::RestoreDialog restore(snapshot, true);  // not shown: it would start
    wiz::PasswordPrompt prompt(QStringLiteral("10.0.0.1"));
    VLQLWizUIControl::SettingDifference difference;
    difference.record = "Global settings", difference.field = "domain", difference.key = "global.domain";
    wiz::ChangesWindow compare({difference}, "10.0.0.1");
    wiz::StartDialog start;
    using Controls = std::vector<std::pair<Role, QString>>;
    const Controls lines = {{Role::EditableText, "Command lines"}, {Role::CheckBox, "Show passwords"}};
    const std::tuple<QDialog*, QString, Controls> rows[] = {
        {&changes, "Changes to the Quillet", {lines[0], lines[1], {Role::Button, "Close"}, {Role::Button, "Help"}}},
        {&confirm, "Restore: Changes to the Quillet",
         {lines[0], lines[1], {Role::Button, "Restore"}, {Role::Button, "Cancel"}, {Role::Button, "Help"}}},
        {&restore, "Restore Quillet",
         {{Role::EditableText, "Restore log"}, {Role::ProgressBar, "Restore activity"}, {Role::Button, "Cancel"},
          {Role::Button, "Help"}}},
        {&compare, "Compare: Snapshot and Quillet",
         {{Role::EditableText, "Settings that differ"}, lines[1], {Role::Button, "Restore"}, {Role::Button, "Close"},
          {Role::Button, "Help"}}},
        {&start, "Quillet Configuration Wizard",
         {{Role::Button, "Setup"}, {Role::Button, "Cancel"}, {Role::Button, "Overview"}, {Role::Button, "Restore"},
          {Role::Button, "Compare"}}},
        {&prompt, "Quillet Password",
         {{Role::EditableText, "Administration password"}, {Role::Button, "OK"}, {Role::Button, "Cancel"},
          {Role::Button, "Help"}}},
    };
    for (const auto& [window, title, expected] : rows) {
        SCOPED_TRACE(title.toStdString());
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(window);
        EXPECT_EQ(iface->text(QAccessible::Name), title);
        EXPECT_FALSE(iface->text(QAccessible::Description).isEmpty());
        Controls controls;
        std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
            for (int i = 0; i < node->childCount(); ++i) {
                QAccessibleInterface* child = node->child(i);
                const Role role = child->role();
                if (role != Role::EditableText && role != Role::CheckBox && role != Role::Button && role != Role::ProgressBar) {
                    walk(child);
                    continue;
                }
                controls.emplace_back(role, child->text(QAccessible::Name));
                EXPECT_FALSE(child->text(QAccessible::Description).isEmpty()) << child->text(QAccessible::Name).toStdString();
            }
        };
        walk(iface);
        EXPECT_EQ(controls, expected);
    }
}

TEST(HelpWindowAccess, TheCaretStandsAtTheTopicAndTabReachesNamedLinks) {
    wiz::InitResources();
    wiz::HelpWindow window;
    QTextBrowser* browser = window.Browser();
    window.ShowTopic(108);
    EXPECT_EQ(browser->textCursor().block().text(), QStringLiteral("Dialing Configuration"));
    window.ShowTopic(104);  // from wherever the last visit left the caret
    EXPECT_EQ(browser->textCursor().block().text(), QStringLiteral("Password"));
    window.ShowTopic(wiz::HelpContents);
    browser->setFocus();
    QTest::keyClick(browser, Qt::Key_Tab);
    EXPECT_TRUE(browser->textCursor().charFormat().isAnchor());
    EXPECT_EQ(browser->accessibleDescription(), QStringLiteral("Link: ") + browser->textCursor().selectedText());
}

} // namespace
} // namespace wiztest
