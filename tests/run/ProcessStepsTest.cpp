// Steps of the run that need no router: the route test and a reconnect that never
// finds the router again.
#include "TestHooks.h"

#include "run/ConfigSettings.h"
#include "run/Process.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using VLQLWizUIControl::Process;

namespace {

struct RouteCase {
    const char* ispAddress;
    bool listening;  // something accepts on the route test port
    int state;
    int kind;
    bool reachesListener;  // a connection arrived at that listener
};

} // namespace

TEST(ProcessSteps, RouteTestSucceedsWhenTheFarEndAnswersEvenWithRefusal) {
    const RouteCase cases[] = {
        {"127.0.0.1", true, Process::Succeeded, Process::RouteTestFailed, true},
        // A refused connection means the far end answered: the route works.
        {"127.0.0.1", false, Process::Succeeded, Process::RouteTestFailed, false},
        // No route at all: every attempt fails.
        {"127.255.255.255", false, Process::Failed, Process::RouteTestFailed, false},
        // An ISP address never learned is not a place to connect to (WinSock: 10049,
        // which leaves the state as it is); this PC's own port must not stand in for it.
        {"", true, Process::Succeeded, Process::RouteTestFailed, false},
        {"0.0.0.0", true, Process::Succeeded, Process::RouteTestFailed, false},
    };
    for (const RouteCase& c : cases) {
        SCOPED_TRACE(c.ispAddress);
        int listener = -1;
        if (c.listening) {
            listener = ::socket(AF_INET, SOCK_STREAM, 0);
            int one = 1;
            ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            a.sin_port = htons(static_cast<uint16_t>(TestRoutePort()));
            ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
            ASSERT_EQ(::listen(listener, 4), 0);
        }
        ConfigSettings settings;
        settings.SetIspAddress(c.ispAddress);
        Process run(&settings);
        run.state = run.lastStep = Process::TestingRoute;
        std::string message;
        EXPECT_EQ(run.Step(message), c.state == Process::Failed ? 0 : 1);
        EXPECT_EQ(run.state, c.state);
        EXPECT_EQ(run.failureKind, c.kind);
        EXPECT_EQ(message, "");
        if (listener >= 0) {
            pollfd p{listener, POLLIN, 0};
            EXPECT_EQ(::poll(&p, 1, 0) == 1, c.reachesListener);
            ::close(listener);
        }
    }
}

TEST(ProcessSteps, ReconnectGivesUpAfterFiveAttemptsWithoutAReason) {
    // Nothing listens on this process's management port.
    ConfigSettings settings;
    std::string m;
    settings.SetRouterAddress("127.0.0.1", m);
    Process run(&settings);
    run.state = Process::Reconnecting;
    EXPECT_EQ(run.Step(m), 0);
    EXPECT_EQ(run.state, Process::Failed);
    EXPECT_EQ(run.failureKind, Process::NoFailure);
    EXPECT_EQ(run.lastStep, Process::Reconnecting);
    EXPECT_FALSE(run.session.IsConnected());
}

TEST(ProcessSteps, ConnectRefusedReportsAnotherAdministrativeConnection) {
    ConfigSettings settings;
    std::string m;
    settings.SetRouterAddress("127.0.0.1", m);
    Process run(&settings);
    run.state = Process::Connecting;
    EXPECT_EQ(run.Step(m), 0);
    EXPECT_EQ(run.state, Process::Failed);
    EXPECT_EQ(run.failureKind, Process::ConnectionRefused);
    EXPECT_EQ(m, Process::RefusedMessage);
}

TEST(ProcessSteps, ResponderThatEndsWithoutARequestFailsTheWait) {
    // A router address that is no dotted address ends the responder at once.
    ConfigSettings settings;
    Process run(&settings);
    std::string m;
    ASSERT_EQ(run.Step(m), 1);
    ASSERT_EQ(run.state, Process::WaitingForAddressRequest);
    for (int i = 0; i < 5000 && run.bootpThread->ExitCode() == platform::Thread::StillActive; ++i)
        ::usleep(1000);
    ASSERT_NE(run.bootpThread->ExitCode(), platform::Thread::StillActive);
    EXPECT_EQ(run.Step(m), 0);
    EXPECT_EQ(run.state, Process::Failed);
    EXPECT_EQ(run.failureKind, Process::AddressNotRequested);
    EXPECT_EQ(m, Process::NotRespondingMessage);
}
