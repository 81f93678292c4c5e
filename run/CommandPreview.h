// What a preview shows of the command lines a run or a restore would send: a first line
// that says what will happen to the router, and the lines with their passwords masked.
#pragma once

#include <string>
#include <vector>

namespace VLQLWizUIControl {

inline constexpr const char* MaskedSecret = "********";

// Where a password starts in `line` ("set password X", "set LOCATION password X"), or
// std::string::npos for a line that carries none.
size_t SecretAt(const std::string& line);
// `line` with the password it carries shown as MaskedSecret.
std::string MaskSecret(const std::string& line);

// The first line of a run's preview: how many lines, and that the Quillet then saves and
// restarts. `chapAssumed` adds what the preview had to assume instead of asking the router.
std::string RunPreviewHeadline(size_t lineCount, bool chapAssumed, bool chapTaken);

} // namespace VLQLWizUIControl
