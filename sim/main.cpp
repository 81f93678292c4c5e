// quillet-sim: a simulated Quillet router for tests, demos and trying the wizard without
// hardware.
#include "platform/Hooks.h"
#include "sim/SimConfig.h"
#include "sim/SimServer.h"

#include "qlwiz_version.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

sim::SimServer* g_server = nullptr;

void OnStop(int) {
    if (g_server)
        g_server->Stop();
}

void OnDump(int) {
    if (g_server)
        g_server->RequestDump();
}

const char kUsage[] = R"(Usage: quillet-sim [OPTION]...
A simulated Quillet ISDN router: the management service on TCP, BOOTP in the factory
state, two ISDN B channels, an ISP to dial, and faults on demand.

Options (they override the scenario file):
  --scenario FILE          read the scenario (format below)
  --set KEY=VALUE          set one scenario key; may be repeated
  --listen ADDR            management bind address, or "router"        [0.0.0.0]
  --port N                 management TCP port, 0 picks a free one [QLWIZ_MGMT_PORT or 1643]
  --address ADDR           the router's IP address                      [192.168.1.1]
  --password TEXT          administration password                      [empty]
  --firmware new|mid|old   firmware generation                          [new]
  --factory                start in the factory state and ask for an address with BOOTP
  --bootp-client-port N    BOOTP source port, 0 picks one  [QLWIZ_BOOTP_CLIENT_PORT or 68]
  --bootp-server-port N    BOOTP destination port          [QLWIZ_BOOTP_SERVER_PORT or 67]
  --bootp-target ADDR      BOOTP destination address                    [255.255.255.255]
  --bootp-interface IF     as root: put the assigned address on this interface
  --reboot-ms N            management port closed this long after "reboot"  [5000]
  --time-scale X           factor on every wait                 [QLWIZ_TIME_SCALE or 1]
  --quiet                  no log of frames and commands on standard error
  --dump-on-exit FILE      write the running and saved configuration to FILE on exit;
                           SIGUSR1 writes it at once
  --exit-on-stdin-close    stop when standard input reaches its end
  --help                   show this text and exit
  --version                show the program's name and version and exit

Standard output carries one line per event, flushed at once:
  quillet-sim: management port N          first line: the TCP port it serves on
  quillet-sim: listening on ADDR:PORT     management port open (again)
  quillet-sim: rebooting                  "reboot" accepted, management port closed
  quillet-sim: bootp client port N        factory state, asking for an address
  quillet-sim: address assigned ADDR      a BOOTP reply gave the router its address
  quillet-sim: dumped FILE                the configuration dump was written
  quillet-sim: stopped                    SIGINT, SIGTERM or the end of standard input
Standard error logs every frame received and every command applied or refused.
Exit status: 0 stopped normally (or --help, --version), 1 could not start serving,
2 bad usage or a bad scenario.

)";

bool ReadFile(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    *text = s.str();
    return true;
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "quillet-sim: %s\nTry quillet-sim --help.\n", message.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    sim::SimConfig cfg;
    const platform::Hooks& hooks = platform::GetHooks();
    cfg.port = hooks.mgmtPort;
    cfg.bootpClientPort = hooks.bootpClientPort;
    cfg.bootpServerPort = hooks.bootpServerPort;
    cfg.timeScale = hooks.timeScale;

    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            std::fputs(sim::ScenarioHelp(), stdout);
            return 0;
        }
        if (a == "--version") {
            std::fputs("quillet-sim " QLWIZ_VERSION "\n", stdout);
            return 0;
        }
    }

    // the scenario first, so that every other option overrides it
    for (size_t i = 0; i < args.size(); ++i)
        if (args[i] == "--scenario") {
            if (i + 1 >= args.size())
                return Usage("--scenario needs a file");
            std::string text, err;
            if (!ReadFile(args[i + 1], &text))
                return Usage("cannot read " + args[i + 1]);
            if (!sim::ParseScenario(text, cfg, &err))
                return Usage(args[i + 1] + ": " + err);
        }

    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto next = [&](std::string* v) {
            if (i + 1 >= args.size())
                return false;
            *v = args[++i];
            return true;
        };
        std::string v, err;
        auto key = [&](const char* k) {
            if (!next(&v))
                return Usage(a + " needs a value");
            if (!sim::SetScenarioKey(cfg, k, v, &err))
                return Usage(err);
            return 0;
        };
        int rc = 0;
        if (a == "--scenario") {
            ++i;
        } else if (a == "--set") {
            if (!next(&v))
                return Usage("--set needs KEY=VALUE");
            size_t eq = v.find('=');
            if (eq == std::string::npos)
                return Usage("--set needs KEY=VALUE");
            if (!sim::SetScenarioKey(cfg, v.substr(0, eq), v.substr(eq + 1), &err))
                return Usage(err);
        } else if (a == "--listen") {
            rc = key("listen");
        } else if (a == "--port") {
            rc = key("port");
        } else if (a == "--address") {
            rc = key("address");
        } else if (a == "--password") {
            rc = key("password");
        } else if (a == "--firmware") {
            rc = key("firmware");
        } else if (a == "--factory") {
            cfg.factory = true;
        } else if (a == "--bootp-client-port") {
            rc = key("bootp.client_port");
        } else if (a == "--bootp-server-port") {
            rc = key("bootp.server_port");
        } else if (a == "--bootp-target") {
            rc = key("bootp.target");
        } else if (a == "--bootp-interface") {
            rc = key("bootp.interface");
        } else if (a == "--reboot-ms") {
            rc = key("reboot_ms");
        } else if (a == "--time-scale") {
            rc = key("time_scale");
        } else if (a == "--quiet") {
            cfg.quiet = true;
        } else if (a == "--dump-on-exit") {
            if (!next(&cfg.dumpFile))
                return Usage("--dump-on-exit needs a file");
        } else if (a == "--exit-on-stdin-close") {
            cfg.exitOnStdinClose = true;
        } else {
            return Usage("unknown option " + a);
        }
        if (rc != 0)
            return rc;
    }

    sim::SimServer server(cfg);
    if (!server.Model().ScenarioError().empty()) {
        std::fprintf(stderr, "quillet-sim: %s\n", server.Model().ScenarioError().c_str());
        return 2;
    }
    // The handlers go in before Start prints "listening on": a test that sends SIGUSR1 as
    // soon as it reads that line must get a dump, not a process killed by the default action.
    g_server = &server;
    struct sigaction sa {};
    sa.sa_handler = OnStop;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sa.sa_handler = OnDump;
    sigaction(SIGUSR1, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    std::string err;
    if (!server.Start(&err)) {
        g_server = nullptr;
        std::fprintf(stderr, "quillet-sim: %s\n", err.c_str());
        return 1;
    }

    server.Run();
    g_server = nullptr;
    if (!cfg.dumpFile.empty())
        server.WriteDump();
    std::fprintf(stdout, "quillet-sim: stopped\n");
    std::fflush(stdout);
    return 0;
}
