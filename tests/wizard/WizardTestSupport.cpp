#include "WizardTestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QLayout>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>

#include <arpa/inet.h>

namespace wiztest {

ScriptedBoxes::ScriptedBoxes() {
    old_ = wiz::SetMessageBoxFn([this](const QString& text, wiz::MsgButtons buttons, wiz::MsgIcon icon, int topic) {
        calls_.push_back({text, buttons, icon, topic});
        if (onNext_) {
            auto action = std::move(onNext_);
            onNext_ = nullptr;
            action();
        }
        if (!answers_.empty()) {
            int id = answers_.front();
            answers_.pop_front();
            return id;
        }
        if (buttons == wiz::MsgButtons::Ok) return static_cast<int>(wiz::IdOk);
        ADD_FAILURE() << "unanswered message box: " << text.toStdString();
        return static_cast<int>(wiz::IdCancel);
    });
}

ScriptedBoxes::~ScriptedBoxes() {
    wiz::SetMessageBoxFn(std::move(old_));
}

HelpRecorder::HelpRecorder() {
    old_ = wiz::SetHelpFn([this](int topic) { topics.push_back(topic); });
}

HelpRecorder::~HelpRecorder() {
    wiz::SetHelpFn(std::move(old_));
}

void FakeRun::ReadRouterSettings(std::string&) {
    ++readBacks;
    readBackThread = std::this_thread::get_id();
    if (onReadBack) onReadBack(*Settings());
}

FakeRun::Handler FakeRun::FailWith(int kind, std::string text) {
    return [kind, text](FakeRun& run, std::string& message) {
        run.state = Failed;
        run.failureKind = kind;
        message = text;
        return 1;
    };
}

FakeRun::Handler FakeRun::NoRouterOnProbe() {
    return [](FakeRun& run, std::string& message) {
        if (run.statesRun.size() == 1) return FailWith(NoFailure)(run, message);
        run.state = Configuring;
        return 1;
    };
}

int FakeRun::Handle(int s, std::string& message) {
    statesRun.push_back(s);
    stepThreads.push_back(std::this_thread::get_id());
    auto it = handlers.find(s);
    if (it != handlers.end()) return it->second(*this, message);
    state = s + 1;
    return 1;
}

uint32_t NetOrder(const char* dotted) {
    return inet_addr(dotted);
}

bool WaitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

void SheetTest::SetUp() {
    boxes = std::make_unique<ScriptedBoxes>();
    help = std::make_unique<HelpRecorder>();
    localAddresses = {NetOrder("127.0.0.1"), NetOrder("10.0.0.7")};
    // Unless a test says otherwise, no router answers the probe.
    setupRun = [](FakeRun& run) { run.handlers[2] = FakeRun::NoRouterOnProbe(); };
    MakeSheet();
}

void SheetTest::TearDown() {
    sheet.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    help.reset();
    boxes.reset();
}

void SheetTest::MakeSheet() {
    sheet.reset();
    runs.clear();
    wiz::SheetEnvironment env;
    if (realRun) {
        sheet = std::make_unique<wiz::CConfigPropertySheet>(std::move(env));
        sheet->show();
        QApplication::setActiveWindow(sheet.get());
        QCoreApplication::processEvents();
        return;
    }
    env.localAddresses = [this](std::vector<uint32_t>* out) {
        *out = localAddresses;
        return !localAddresses.empty();
    };
    env.makeRun = [this](ConfigSettings* settings) {
        auto run = std::make_unique<FakeRun>(settings);
        if (setupRun) setupRun(*run);
        runs.push_back(run.get());
        return std::unique_ptr<wiz::WizardRun>(std::move(run));
    };
    sheet = std::make_unique<wiz::CConfigPropertySheet>(std::move(env));
    sheet->show();
    sheet->activateWindow();
    QApplication::setActiveWindow(sheet.get());
    QCoreApplication::processEvents();
}

void SheetTest::Settle() {
    ASSERT_TRUE(WaitUntil([this] { return !sheet->Busy(); })) << "the worker's call did not return";
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

void SheetTest::ClickNext() {
    sheet->NextButton()->click();
    Settle();
    if (checkLayout) ExpectPageFits();
}

void SheetTest::ExpectPageFits() {
    QWidget* window = Active()->Window();
    SCOPED_TRACE(Active()->Title().toStdString());
    if (sheetSize.isValid()) {
        EXPECT_EQ(sheet->size(), sheetSize) << "the window changed its size";
    }
    sheetSize = sheet->size();
    QLayout* layout = window->layout();
    EXPECT_LE(layout->totalMinimumSize().width(), window->width());
    EXPECT_LE(layout->hasHeightForWidth() ? layout->totalHeightForWidth(window->width())
                                          : layout->totalMinimumSize().height(),
              window->height());
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->isVisibleTo(window) || label->text().isEmpty()) continue;
        QSize need = label->minimumSizeHint();
        if (label->wordWrap()) need = QSize(0, label->heightForWidth(label->width()));
        EXPECT_LE(need.width(), label->width()) << label->text().toStdString();
        EXPECT_LE(need.height(), label->height()) << label->text().toStdString();
    }
    for (QListWidget* list : window->findChildren<QListWidget*>()) {
        EXPECT_LE(list->sizeHintForColumn(0), list->viewport()->width());
    }
    for (QPlainTextEdit* box : window->findChildren<QPlainTextEdit*>()) {
        for (QTextBlock line = box->document()->begin(); line.isValid(); line = line.next()) {
            EXPECT_LE(line.layout()->lineCount(), 1) << line.text().toStdString();
        }
    }
}

void SheetTest::ClickBack() {
    sheet->BackButton()->click();
    Settle();
}

std::vector<wiz::WizardPage*> SheetTest::Path() const {
    std::vector<wiz::WizardPage*> path;
    for (int i = 0; i < sheet->PageCount(); ++i) path.push_back(sheet->PageAt(i));
    return path;
}

void SheetTest::PasswordNext(const QString& password) {
    ASSERT_EQ(Active(), sheet->PasswordPage());
    sheet->PasswordPage()->PasswordBox()->setText(password);
    sheet->PasswordPage()->ConfirmBox()->setText(password);
    ClickNext();
}

void SheetTest::AddressNext(const QString& address, const QString& mask) {
    ASSERT_EQ(Active(), sheet->AddressPage());
    sheet->AddressPage()->AddressBox()->setText(address);
    sheet->AddressPage()->MaskBox()->setText(mask);
    boxes->Answer(wiz::IdYes);  // "No Quillet ... found": a new router
    ClickNext();
}

void SheetTest::SwitchNext(const QString& name) {
    ASSERT_EQ(Active(), sheet->SwitchTypePage());
    ASSERT_TRUE(sheet->SwitchTypePage()->SelectSwitchType(name));
    ClickNext();
}

void SheetTest::SpidsNext(const QString& s1, const QString& d1, const QString& s2, const QString& d2) {
    ASSERT_EQ(Active(), sheet->SpidPage());
    auto* page = sheet->SpidPage();
    page->Channel1SpidBox()->setText(s1);
    page->Channel1DirNoBox()->setText(d1);
    page->Channel2SpidBox()->setText(s2);
    page->Channel2DirNoBox()->setText(d2);
    ClickNext();
}

void SheetTest::DirNoNext(const QString& dirNo) {
    ASSERT_EQ(Active(), sheet->DirNoPage());
    sheet->DirNoPage()->DirNoBox()->setText(dirNo);
    ClickNext();
}

void SheetTest::SecurityNext(bool on) {
    ASSERT_EQ(Active(), sheet->SecurityPage());
    (on ? sheet->SecurityPage()->OnButton() : sheet->SecurityPage()->OffButton())->click();
    ClickNext();
}

void SheetTest::HostNext(wiz::CConfigHostPage* page, const QString& address) {
    ASSERT_EQ(Active(), page);
    page->AddressBox()->setText(address);
    ClickNext();
}

void SheetTest::CxnTypeNext(bool onDemand) {
    ASSERT_EQ(Active(), sheet->CxnTypePage());
    (onDemand ? sheet->CxnTypePage()->OnDemandButton() : sheet->CxnTypePage()->FullTimeButton())->click();
    ClickNext();
}

void SheetTest::DialingNext(bool twoChannels, const QString& primary, const QString& secondary) {
    ASSERT_EQ(Active(), sheet->DialingPage());
    auto* page = sheet->DialingPage();
    (twoChannels ? page->TwoChannelsButton() : page->OneChannelButton())->click();
    page->PrimaryBox()->setText(primary);
    page->SecondaryBox()->setText(secondary);
    ClickNext();
}

void SheetTest::AuthenticationNext(const QString& name, const QString& password) {
    ASSERT_EQ(Active(), sheet->AuthenticationPage());
    auto* page = sheet->AuthenticationPage();
    page->NameBox()->setText(name);
    page->PasswordBox()->setText(password);
    page->ConfirmBox()->setText(password);
    ClickNext();
}

void SheetTest::WalkToSummary(const QString& switchType) {
    PasswordNext();
    AddressNext();
    SwitchNext(switchType);
    if (wiz::CConfigPropertyPage3::UsesSpids(switchType))
        SpidsNext(QStringLiteral("0155512340101"), QStringLiteral("5551234"), QStringLiteral("0155512350101"),
                  QStringLiteral("5551235"));
    else
        DirNoNext(QStringLiteral("5551234"));
    SecurityNext(false);
    DialingNext(false, QStringLiteral("555-0100"));
    AuthenticationNext(QStringLiteral("office"), QStringLiteral("pw"));
    ASSERT_EQ(Active(), sheet->SummaryPage());
}

} // namespace wiztest
