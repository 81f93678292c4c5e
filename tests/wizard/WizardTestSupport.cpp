#include "WizardTestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLayout>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>
#include <QThread>

#include <arpa/inet.h>

namespace wiztest {

ScriptedBoxes::ScriptedBoxes() {
    old_ = wiz::SetMessageBoxFn([this](const QString& text, MsgButtons buttons, MsgIcon icon, int topic,
                                       const QString& detail) {
        calls.push_back({text, buttons, icon, topic, detail});
        if (auto action = std::move(onNext_)) {
            onNext_ = nullptr;
            action();
        }
        if (!answers_.empty()) {
            int id = answers_.front();
            answers_.pop_front();
            return id;
        }
        if (buttons == MsgButtons::Ok) return int(wiz::IdOk);
        ADD_FAILURE() << "unanswered message box: " << text.toStdString();
        return int(wiz::IdCancel);
    });
}

void FakeRun::ReadRouterSettings(std::string&) {
    ++readBacks;
    threads.push_back(std::this_thread::get_id());
    if (onReadBack) onReadBack(*Settings());
}

FakeRun::Handler FakeRun::FailOnce(int kind) {
    return [kind, failed = false](FakeRun& run, std::string& message) mutable {
        if (!failed) {
            failed = true;
            return FailWith(kind)(run, message);
        }
        run.state = run.state + 1;
        return 1;
    };
}

FakeRun::Handler FakeRun::Found() {
    return [](FakeRun& run, std::string&) {
        run.connected = true;
        run.state = Configuring;
        return 1;
    };
}

int FakeRun::Handle(int s, std::string& message) {
    // Connecting as the probe (the run's first step) finds no router by default; as a
    // later step of a run that gave a new router its address, it connects.
    if (s == 2 && statesRun.empty() && !handlers.count(2)) {
        statesRun.push_back(s);
        threads.push_back(std::this_thread::get_id());
        return FailWith(NoFailure)(*this, message);
    }
    return ScriptedMachine::Handle(s, message);
}

bool WaitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    for (clock.start(); !done(); QThread::msleep(1)) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void SheetTest::SetUp() {
    boxes = std::make_unique<ScriptedBoxes>();
    help = std::make_unique<HelpRecorder>();
    localAddresses = {inet_addr("127.0.0.1"), inet_addr("10.0.0.7")};
    MakeSheet();
}

void SheetTest::TearDown() {
    sheet.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void SheetTest::MakeSheet() {
    sheet.reset();
    runs.clear();
    sheetSize = QSize();
    wiz::SheetEnvironment env;
    if (!realRun) {
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
    }
    sheet = std::make_unique<wiz::CConfigPropertySheet>(std::move(env));
    sheet->show();
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
    if (checkLayout && sheet->isVisible()) ExpectPageFits();
}

void SheetTest::ClickBack() { sheet->BackButton()->click(), Settle(); }

Pages SheetTest::Path() const {
    Pages path;
    for (int i = 0; i < sheet->PageCount(); ++i) path.push_back(sheet->PageAt(i));
    return path;
}

void SheetTest::Open(wiz::CConfigPage* page) {
    sheet->SetActivePage(sheet->PasswordPage());
    sheet->AddNextPage(page);
    ASSERT_TRUE(sheet->SetActivePage(page));
}

void SheetTest::WalkTo(wiz::WizardPage* stop, const Answers& a) {
    auto& s = *sheet;
    for (int guard = 0; Active() != stop; ++guard) {
        ASSERT_LT(guard, 16) << "never reached " << stop->Title().toStdString();
        wiz::WizardPage* page = Active();
        if (page == s.PasswordPage()) {
            s.PasswordPage()->PasswordBox()->setText(a.password);
            s.PasswordPage()->ConfirmBox()->setText(a.password);
        } else if (page == s.AddressPage()) {
            s.AddressPage()->AddressBox()->setText(a.address);
            s.AddressPage()->MaskBox()->setText(a.mask);
            if (a.newRouter) boxes->Answer(wiz::IdYes);
        } else if (page == s.SwitchTypePage()) {
            ASSERT_TRUE(s.SwitchTypePage()->SelectSwitchType(a.switchType));
        } else if (page == s.SpidPage()) {
            QLineEdit* box[] = {s.SpidPage()->Channel1SpidBox(), s.SpidPage()->Channel1DirNoBox(),
                                s.SpidPage()->Channel2SpidBox(), s.SpidPage()->Channel2DirNoBox()};
            for (int i = 0; i < 4; ++i) box[i]->setText(a.lineIds[i]);
        } else if (page == s.DirNoPage()) {
            s.DirNoPage()->DirNoBox()->setText(a.lineIds[1]);
        } else if (page == s.SecurityPage()) {
            (a.security ? s.SecurityPage()->OnButton() : s.SecurityPage()->OffButton())->click();
        } else if (auto* host = dynamic_cast<wiz::CConfigHostPage*>(page)) {
            host->AddressBox()->setText(a.hosts[sheet->PageIndex(page) - sheet->PageIndex(s.FtpPage())]);
        } else if (page == s.CxnTypePage()) {
            (a.onDemand ? s.CxnTypePage()->OnDemandButton() : s.CxnTypePage()->FullTimeButton())->click();
        } else if (page == s.DialingPage()) {
            (a.twoChannels ? s.DialingPage()->TwoChannelsButton() : s.DialingPage()->OneChannelButton())->click();
            s.DialingPage()->PrimaryBox()->setText(a.phone);
            s.DialingPage()->SecondaryBox()->setText(a.phone2);
        } else if (page == s.AuthenticationPage()) {
            s.AuthenticationPage()->NameBox()->setText(a.account);
            s.AuthenticationPage()->PasswordBox()->setText(a.accountPassword);
            s.AuthenticationPage()->ConfirmBox()->setText(a.accountPassword);
        }
        ClickNext();
        ASSERT_NE(Active(), page) << "stayed on " << page->Title().toStdString();
    }
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
        QSize need = label->wordWrap() ? QSize(0, label->heightForWidth(label->width())) : label->minimumSizeHint();
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

} // namespace wiztest
