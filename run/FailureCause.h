// Why a run failed, as its last exchange with the router saw it, in words a user can act
// on: the router's refusal text, or what happened to the connection. The wizard's
// failure box and qlwiz-batch's line on standard error both say it from here.
#pragma once

#include "run/StepMachine.h"

#include <string>

namespace VLQLWizUIControl {

// The library's last exchange, "" when it did not fail. The library keeps one last error
// and one reply buffer for the whole process: read it on the thread that ran the failed
// Step, right after it.
std::string LastExchangeCause();

// `cause` with the step the run was in:
//   In the step "Configuring Quillet", the Quillet refused a command, saying "...".
// "" when `cause` is.
std::string StepFailureCause(const StepMachine& run, const std::string& cause);

} // namespace VLQLWizUIControl
