#include "TestHooks.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

int FreeLoopbackPort() {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

struct Ports {
    int management = FreeLoopbackPort();
    int route = FreeLoopbackPort();
    Ports() {
        ::setenv("QLWIZ_MGMT_PORT", std::to_string(management).c_str(), 1);
        ::setenv("QLWIZ_ROUTE_TEST_PORT", std::to_string(route).c_str(), 1);
    }
};

const Ports& ThePorts() {
    static const Ports ports;
    return ports;
}

// Before main(): nothing has read the hooks yet.
[[maybe_unused]] const int kFixed = ThePorts().management;

} // namespace

int TestManagementPort() { return ThePorts().management; }
int TestRoutePort() { return ThePorts().route; }
