// The program's start-up: sockets, the profile's place, the start dialog, clean-up.
#pragma once

#include <functional>

namespace wiz {

// Names the application and its profile; needs the QApplication.
void SetApplicationNames();

// Runs the program on an existing QApplication and returns its exit code: -1 when the
// sockets cannot start ("Could not start WinSock"), else 0 once the start dialog closed.
// `startSockets` is replaceable so the failure can be tried.
int RunQLWiz(const std::function<bool()>& startSockets = {});

} // namespace wiz
