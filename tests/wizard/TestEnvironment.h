// The set-up both wizard test programs share: offscreen windows, and the summary file and
// the profile in a temporary folder of their own.
#pragma once

#include <QTemporaryDir>

namespace wiztest {

// Before the QApplication exists: the platform, the hooks (read once) and a quiet log.
void PrepareEnvironment(const QTemporaryDir& home);
// Once the QApplication exists: the profile goes to the temporary folder.
void UseTemporaryProfile(const QTemporaryDir& home);

} // namespace wiztest
