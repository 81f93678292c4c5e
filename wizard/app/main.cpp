// qlwiz: the Quillet Configuration Wizard.
#include "wizard/app/App.h"

#include "qlwiz_version.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

const char* const Usage =
    "Usage: qlwiz [--help] [--version] [Qt options]\n"
    "\n"
    "The Quillet Configuration Wizard takes a Quillet ISDN router on the office Ethernet to a\n"
    "working Internet connection: it asks for the router's address, the ISDN line, security,\n"
    "dialing and the ISP account, then configures, restarts and dials the router.\n"
    "\n"
    "  --help     print this text and exit\n"
    "  --version  print the program's name and version and exit\n"
    "\n"
    "Qt's own options work as in every Qt program, for instance -platform NAME, -style NAME,\n"
    "-display DISPLAY. The wizard needs a display; qlwiz-batch runs the same configuration\n"
    "from a settings file without one.\n"
    "\n"
    "Exit status: 0 when the start dialog is closed, 255 when the network cannot be used.\n";

} // namespace

int main(int argc, char** argv) {
    // Answered before Qt starts, so that they work without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("qlwiz %s\n", QLWIZ_VERSION);
            return 0;
        }
    }
    QApplication app(argc, argv);
    return wiz::RunQLWiz();
}
