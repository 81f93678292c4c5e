// wizard-bench: does the wizard's window keep answering while the router is slow?
//
// Drives the wizard offscreen through a router probe and a full configuration run against
// quillet-sim, which holds back every reply for 200 ms of real time and, at first, refuses
// the connection because another client holds the one administrative session. A 10 ms
// timer on the GUI thread beats all along; the longest gap between two beats is how long
// the window could not repaint or take a click. It must stay under 100 ms.
//
// usage: wizard-bench [QUILLET_SIM] [TIME_SCALE]
//   TIME_SCALE (default 0.01) scales the run's own waits (connect retries, polls, the
//   simulator's reboot and ISDN times); the reply delay stays 200 ms real.
// Exit status 0 when the run succeeded and the longest gap stayed under the limit.
#include "platform/Sockets.h"
#include "support/SimProcess.h"
#include "run/Process.h"
#include "wizard/app/App.h"
#include "wizard/pages/CConfigPropertyIPAddressPage.h"
#include "wizard/pages/CConfigPropertyPage1.h"
#include "wizard/pages/CConfigPropertyPage10.h"
#include "wizard/pages/CConfigPropertyPage3.h"
#include "wizard/pages/CConfigPropertyPage4.h"
#include "wizard/pages/CConfigPropertyPage5.h"
#include "wizard/pages/CConfigPropertyPage8.h"
#include "wizard/pages/CConfigPropertyPage_Authentication.h"
#include "wizard/app/CConfigPropertySheet.h"
#include "wizard/pages/CConfigSummaryPage.h"
#include "wizard/framework/MessageBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <arpa/inet.h>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr double kReplyDelayMs = 200;  // real milliseconds, whatever the time scale
constexpr int kHeartbeatMs = 10;
constexpr double kLimitMs = 100;
constexpr int kThinkMs = 100;          // a user reading a box before pressing its button
constexpr int kHoldAfterNextMs = 100;  // the other client lets go this long into the second probe

QtMessageHandler previousHandler = nullptr;

// The offscreen platform says at every new window that it cannot pass size hints on.
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("propagateSizeHints"))) return;
    if (previousHandler) previousHandler(type, context, message);
}

// The GUI thread's pulse: a 10 ms timer, and the gaps between its beats per phase.
struct Phase {
    QString name;
    double startMs = 0, endMs = 0;
    double longestGapMs = 0;
    long beats = 0;
    long lateBeats = 0;  // gaps over twice the period
};

struct LongGap {
    double endMs, gapMs;
    QString phase;
};

class Heartbeat {
public:
    Heartbeat() {
        clock_.start();
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(kHeartbeatMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Beat(); });
    }
    void Start(const QString& firstPhase) {
        Begin(firstPhase);
        last_ = NowMs();
        timer_.start();
    }
    void Stop() {
        timer_.stop();
        if (!phases_.empty()) phases_.back().endMs = NowMs();
    }
    void Begin(const QString& name) {
        double now = NowMs();
        if (!phases_.empty()) phases_.back().endMs = now;
        phases_.push_back({name, now, now, 0, 0, 0});
    }
    double NowMs() const { return static_cast<double>(clock_.nsecsElapsed()) / 1e6; }
    const std::vector<Phase>& Phases() const { return phases_; }
    const std::vector<LongGap>& LongGaps() const { return longGaps_; }
    long Beats() const { return beats_; }

private:
    void Beat() {
        double now = NowMs();
        double gap = now - last_;
        last_ = now;
        Phase& p = phases_.back();
        ++p.beats;
        ++beats_;
        if (gap >= kLimitMs / 2) longGaps_.push_back({now, gap, p.name});
        if (gap > p.longestGapMs) p.longestGapMs = gap;
        if (gap > 2 * kHeartbeatMs) ++p.lateBeats;
    }

    QElapsedTimer clock_;
    QTimer timer_;
    double last_ = 0;
    std::vector<Phase> phases_;
    std::vector<LongGap> longGaps_;
    long beats_ = 0;
};

// Handles events until `done` holds; false after `ms` of real time. It sleeps in the event
// loop between events (the heartbeat wakes it at least every 10 ms), never outside it.
bool Pump(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

int ConnectLoopback(int port) {
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        int e = errno;
        ::close(s);
        errno = e;
        return -1;
    }
    return s;
}

struct BoxCall {
    QString text;
    double atMs;
};

int Fail(const char* what, const std::vector<BoxCall>& boxes) {
    std::fprintf(stderr, "wizard-bench: %s\n", what);
    for (const BoxCall& b : boxes) std::fprintf(stderr, "  box at %.0f ms: %s\n", b.atMs, qPrintable(b.text));
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QString simPath = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(QUILLET_SIM_PATH);
    double scale = argc > 2 ? std::atof(argv[2]) : 0.01;
    if (!(scale > 0)) {
        std::fprintf(stderr, "usage: wizard-bench [QUILLET_SIM] [TIME_SCALE > 0]\n");
        return 2;
    }
    // The simulator scales fault.delay_ms like every other wait: ask for the delay that
    // comes out at 200 ms of real time.
    const long delaySetting = std::lround(kReplyDelayMs / scale);
    const QByteArray scaleText = QByteArray::number(scale, 'g', 6);

    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QLWIZ_TIME_SCALE", scaleText.constData(), 1);
    QTemporaryDir home;
    if (!home.isValid()) return 2;
    setenv("QLWIZ_SUMMARY_FILE", home.filePath(QStringLiteral("QLWIZ.TXT")).toLocal8Bit().constData(), 1);
    previousHandler = qInstallMessageHandler(QuietHandler);
    QApplication app(argc, argv);
    wiz::SetApplicationNames();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.filePath(QStringLiteral("config")));

    // A configured router (password "secret", a Japanese NTT line, so no SPIDs) that holds
    // back every reply.
    setenv("QUILLET_SIM", simPath.toLocal8Bit().constData(), 1);
    SimProcess sim;
    if (!sim.Start("password = secret\napply = set isdn ntt\nfault.delay_ms = " + std::to_string(delaySetting) + "\n",
                   {"--time-scale", scaleText.toStdString(), "--quiet"})) {
        std::fprintf(stderr, "wizard-bench: quillet-sim did not start: %s\n", sim.Error().c_str());
        return 2;
    }
    const int port = sim.Port();
    // The run reads the hooks on first use, which comes later.
    setenv("QLWIZ_MGMT_PORT", QByteArray::number(port).constData(), 1);
    platform::SocketsStartup();

    std::vector<BoxCall> boxes;
    Heartbeat heart;
    // Answers as a user would after reading the box; a real box runs its own event loop
    // meanwhile, and so does this one.
    wiz::SetMessageBoxFn([&](const QString& text, wiz::MsgButtons buttons, wiz::MsgIcon, int, const QString&) {
        boxes.push_back({text, heart.NowMs()});
        QEventLoop reading;
        QTimer::singleShot(kThinkMs, &reading, &QEventLoop::quit);
        reading.exec();
        if (text == QLatin1String(VLQLWizUIControl::Process::RefusedMessage)) return static_cast<int>(wiz::IdRetry);
        if (buttons == wiz::MsgButtons::Ok) return static_cast<int>(wiz::IdOk);
        return static_cast<int>(wiz::IdCancel);
    });

    auto sheet = std::make_unique<wiz::CConfigPropertySheet>();
    sheet->show();
    QApplication::setActiveWindow(sheet.get());
    QCoreApplication::processEvents();
    auto settled = [&] { return !sheet->Busy(); };
    // Between two actions the event loop runs for a couple of beats, as it does between a
    // user's clicks; so a long gap is the wizard's handling of one click or one event.
    auto idle = [&] {
        long until = heart.Beats() + 2;
        Pump([&] { return heart.Beats() >= until; }, 1000);
    };
    auto next = [&] {
        sheet->NextButton()->click();
        bool ok = Pump(settled, 60000);
        idle();
        return ok;
    };

    heart.Start(QStringLiteral("pages before the probe"));
    const double started = heart.NowMs();
    idle();
    if (sheet->ActivePage() != sheet->PasswordPage()) return Fail("the wizard did not open on the password page", boxes);
    sheet->PasswordPage()->PasswordBox()->setText(QStringLiteral("secret"));
    sheet->PasswordPage()->ConfirmBox()->setText(QStringLiteral("secret"));
    next();
    if (sheet->ActivePage() != sheet->AddressPage()) return Fail("the password page did not lead on", boxes);
    sheet->AddressPage()->AddressBox()->setText(QStringLiteral("127.0.0.1"));
    sheet->AddressPage()->MaskBox()->setText(QStringLiteral("255.0.0.0"));

    // Another administrator holds the session: the router stops listening until it ends.
    int holder = ConnectLoopback(port);
    if (holder < 0) return Fail("the other client could not connect", boxes);
    bool refusing = Pump([&] {
        int s = ConnectLoopback(port);
        if (s >= 0) ::close(s);
        return s < 0 && errno == ECONNREFUSED;
    }, 10000);
    if (!refusing) return Fail("the router kept listening while another client held it", boxes);

    // First probe: refused on every try of the run's connect, then "Retry" from the box.
    heart.Begin(QStringLiteral("probe, refused"));
    size_t before = boxes.size();
    next();
    if (boxes.size() != before + 1 ||
        boxes.back().text != QLatin1String(VLQLWizUIControl::Process::RefusedMessage) ||
        sheet->ActivePage() != sheet->AddressPage())
        return Fail("the first probe was not refused", boxes);
    const double refusedProbeMs = boxes.back().atMs - heart.Phases().back().startMs;

    // Second probe: still refused at first; the other client lets go while the run waits
    // between its tries, and the probe finds the router and reads its settings back.
    heart.Begin(QStringLiteral("probe, found"));
    QTimer::singleShot(kHoldAfterNextMs, [&holder] {
        ::close(holder);
        holder = -1;
    });
    before = boxes.size();
    next();
    if (holder >= 0) Pump([&] { return holder < 0; }, 1000);
    if (sheet->ActivePage() != sheet->SwitchTypePage() || boxes.size() != before + 1 ||
        boxes.back().text != QLatin1String("Quillet Found!!"))
        return Fail("the second probe did not find the router", boxes);
    if (sheet->Settings().SwitchType() != "Japan NTT") return Fail("the router's switch type was not read back", boxes);

    heart.Begin(QStringLiteral("pages after the probe"));
    next();
    if (sheet->ActivePage() != sheet->DirNoPage()) return Fail("no directory number page", boxes);
    sheet->DirNoPage()->DirNoBox()->setText(QStringLiteral("5551234"));
    next();
    if (sheet->ActivePage() != sheet->SecurityPage()) return Fail("no security page", boxes);
    sheet->SecurityPage()->OffButton()->click();
    idle();
    next();
    if (sheet->ActivePage() != sheet->DialingPage()) return Fail("no dialing page", boxes);
    sheet->DialingPage()->OneChannelButton()->click();
    sheet->DialingPage()->PrimaryBox()->setText(QStringLiteral("555-0100"));
    sheet->DialingPage()->SecondaryBox()->setText(QString());
    idle();
    next();
    if (sheet->ActivePage() != sheet->AuthenticationPage()) return Fail("no authentication page", boxes);
    sheet->AuthenticationPage()->NameBox()->setText(QStringLiteral("office"));
    sheet->AuthenticationPage()->PasswordBox()->setText(QStringLiteral("isp-pass"));
    sheet->AuthenticationPage()->ConfirmBox()->setText(QStringLiteral("isp-pass"));
    next();
    if (sheet->ActivePage() != sheet->SummaryPage()) return Fail("no summary page", boxes);

    // The run: configure, save and reboot, reconnect, wait for the ISDN line, dial, test the route.
    heart.Begin(QStringLiteral("configuration run"));
    const double runStart = heart.NowMs();
    before = boxes.size();
    sheet->NextButton()->click();
    bool ended = Pump([&] { return boxes.size() > before && !sheet->Busy() && !sheet->isVisible(); }, 600000);
    const double runMs = heart.NowMs() - runStart;
    heart.Stop();
    const double totalMs = heart.NowMs() - started;
    QString log = sheet->ProgressPage()->LogText();
    if (!ended || !boxes.back().text.startsWith(QLatin1String("Congratulations - your Quillet is set up!!"))) {
        std::fprintf(stderr, "progress log:\n%s\n", qPrintable(log));
        return Fail("the run did not end in success", boxes);
    }

    double longest = 0;
    QString where;
    std::printf("wizard-bench: quillet-sim holds back every reply %.0f ms (real), time scale %s, "
                "heartbeat %d ms, message boxes answered after %d ms\n",
                kReplyDelayMs, scaleText.constData(), kHeartbeatMs, kThinkMs);
    std::printf("%-24s %10s %7s %11s %16s\n", "phase", "time ms", "beats", "late beats", "longest gap ms");
    for (const Phase& p : heart.Phases()) {
        std::printf("%-24s %10.0f %7ld %11ld %16.1f\n", qPrintable(p.name), p.endMs - p.startMs, p.beats,
                    p.lateBeats, p.longestGapMs);
        if (p.longestGapMs > longest) {
            longest = p.longestGapMs;
            where = p.name;
        }
    }
    for (const LongGap& g : heart.LongGaps())
        std::printf("gap of %.1f ms ending at %.0f ms (%s)\n", g.gapMs, g.endMs - started, qPrintable(g.phase));
    std::printf("refused probe until its box: %.0f ms\n", refusedProbeMs);
    std::printf("configuration run (Next on the summary to the closing box answered): %.0f ms\n", runMs);
    std::printf("total run time (password page to the end): %.0f ms\n", totalMs);
    std::printf("longest gap between heartbeats: %.1f ms (%s), limit %.0f ms: %s\n", longest, qPrintable(where),
                kLimitMs, longest < kLimitMs ? "ok" : "TOO LONG");

    sheet.reset();
    wiz::SetMessageBoxFn({});
    platform::SocketsCleanup();
    sim.Stop(false);
    return longest < kLimitMs ? 0 : 1;
}
