// The quillet-sim that the probe tests' main started, shared by every test.
#pragma once

#include "WizardTestSupport.h"

#include <QByteArray>
#include <QProcess>

namespace wiztest {

struct SimRouter {
    QProcess* process = nullptr;
    int port = 0;
    int listenLines = 0;  // "listening on" lines seen so far
    QByteArray pending;

    // Reads what the router printed; true once `count` listening lines were seen.
    bool WaitListening(int count, int ms = 10000) {
        return WaitUntil(
            [&] {
                pending += process->readAllStandardOutput();
                int at;
                while ((at = pending.indexOf('\n')) >= 0) {
                    QByteArray line = pending.left(at);
                    pending.remove(0, at + 1);
                    if (line.startsWith("quillet-sim: listening on")) ++listenLines;
                }
                return listenLines >= count;
            },
            ms);
    }
};
extern SimRouter* sim;

} // namespace wiztest
