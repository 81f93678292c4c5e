// qlwiz-batch [--new] SETTINGS_FILE: configures a Quillet from a settings file.
#include "batch/BatchRun.h"

#include "platform/Sockets.h"

#include <iostream>

int main(int argc, char** argv) {
    if (!platform::SocketsStartup()) {
        std::cerr << "qlwiz-batch: Could not start WinSock\n";
        return 1;
    }
    std::vector<std::string> args(argv + 1, argv + argc);
    int status = batch::Run(args, std::cout, std::cerr);
    platform::SocketsCleanup();
    return status;
}
