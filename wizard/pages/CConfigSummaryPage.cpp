#include "wizard/pages/CConfigSummaryPage.h"

#include "platform/Hooks.h"
#include "router/ValueTables.h"
#include "run/ConfigSettings.h"
#include "wizard/framework/ReturnFocus.h"
#include "wizard/pages/ChangesWindow.h"
#include "wizard/pages/WizardRun.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>
#include <QTextDocument>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace wiz {

CConfigSummaryPage::CConfigSummaryPage() : CConfigPage(PageId::Summary, 123, QStringLiteral("Configuration Summary")) {}

QString CConfigSummaryPage::SummaryFilePath() {
    return QString::fromStdString(platform::GetHooks().summaryFile);
}

QString CConfigSummaryPage::BottomText() const {
    return QStringLiteral("Click Next> to configure the Quillet\nor <Back to reenter data.");
}

void CConfigSummaryPage::BuildPage(QVBoxLayout* body) {
    AddText(body, QStringLiteral("Below is a summary of the configuration you have entered.  Please check to see that "
                                 "this list is correct.  This list has been saved to %1 \n\nPlease be sure that your "
                                 "Quillet has been turned on and properly connected to the network.")
                      .arg(SummaryFilePath()));
    box_ = new QPlainTextEdit();
    box_->setReadOnly(true);
    box_->setAccessibleName(QStringLiteral("Configuration summary"));
    box_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFontMetrics metrics(box_->font());
    int tab = metrics.horizontalAdvance(QLatin1Char('x')) * 18;
    box_->setTabStopDistance(tab);
    // Each value on the line of its label: room after the tab for the longest fixed value
    // (a switch-type name, a 20-digit SPID) and for the longest sentence.
    int value = metrics.horizontalAdvance(QStringLiteral("01234567890123456789"));
    for (const SwitchType& t : SwitchTypes)
        value = std::max(value, metrics.horizontalAdvance(QString::fromUtf8(t.name.data(), int(t.name.size()))));
    int line = std::max(tab + value, metrics.horizontalAdvance(QStringLiteral("Quillet will keep connection up continuously")));
    box_->setMinimumWidth(line + 2 * box_->frameWidth() + 2 * int(box_->document()->documentMargin()) +
                          box_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8);
    // Tab moves on to the buttons; the box is only read.
    box_->setTabChangesFocus(true);
    // A caret that the arrow keys move, so a screen reader reads the line moved to.
    box_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    body->addWidget(box_, 1);
    changes_ = new QPushButton(QStringLiteral("&Changes..."));
    changes_->setAccessibleName(QStringLiteral("Changes"));
    changes_->setAccessibleDescription(QStringLiteral("The command lines the wizard will send to the Quillet"));
    QObject::connect(changes_, &QPushButton::clicked, changes_, [this] { ShowChanges(); });
    auto* row = new QHBoxLayout();
    row->addStretch(1);
    row->addWidget(changes_);
    body->addLayout(row);
}

void CConfigSummaryPage::ShowChanges() {
    WizardRun* run = host_->Run();
    if (!run || !run->IsConnected() || Sheet()->Busy()) return;
    struct Preview {
        std::vector<std::string> lines;
        std::string error;
        std::vector<VLQLWizUIControl::PreviewPort> ports;
    };
    auto preview = std::make_shared<Preview>();
    QString address = QString::fromStdString(settings_->RouterAddress());
    cursor_.On();
    // Only reads reach the router, but they wait on its replies: off the GUI thread.
    auto show = [this, preview, address] {
        cursor_.Off();
        if (!HasWindow()) return;
        auto* window = new ChangesWindow(ChangesWindow::Purpose::Changes,
                                         VLQLWizUIControl::GroupPreview(preview->lines, preview->ports),
                                         QString::fromStdString(preview->error), address, Window());
        window->setAttribute(Qt::WA_DeleteOnClose);
        // The keyboard goes back to the button, not wherever the window manager likes.
        QPointer<QPushButton> button = changes_;
        QObject::connect(window, &QDialog::finished, changes_, [button] { ReturnFocus(button); });
        changesWindow_ = window;
        window->open();
    };
    bool started = Sheet()->RunBlocking(
        [run, preview] {
            run->PreviewConfigure(preview->lines, preview->error);
            preview->ports = run->Ports();
        },
        show);
    if (!started) cursor_.Off();
}

ChangesWindow* CConfigSummaryPage::ChangesWindowShown() const {
    return static_cast<ChangesWindow*>(changesWindow_.data());
}

void CConfigSummaryPage::OnSheetDone() {
    cursor_.Off();
    CConfigPage::OnSheetDone();
}

void CConfigSummaryPage::OnDestroyWindow() {
    box_ = nullptr;
    changes_ = nullptr;
    cursor_.Off();
    CConfigPage::OnDestroyWindow();
}

bool CConfigSummaryPage::OnSetActive() {
    bool shown = CConfigPage::OnSetActive();
    shown_ = host_->BuildSummary();
    QString display = shown_;
    display.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (display.endsWith(QLatin1Char('\n'))) display.chop(1);
    box_->setPlainText(display);
    changes_->setEnabled(host_->Run() && host_->Run()->IsConnected());
    return shown;
}

int CConfigSummaryPage::OnWizardNext() {
    // What the box shows, line ends as the summary has them. Not being able to write the
    // file must not stop the set-up: the file only helps a later support call.
    WriteSummaryFile(shown_.toStdString(), SummaryFilePath().toStdString());
    host_->AddNextPage(nextPage_);
    return 0;
}

} // namespace wiz
