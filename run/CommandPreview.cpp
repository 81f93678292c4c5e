#include "run/CommandPreview.h"

namespace VLQLWizUIControl {

size_t SecretAt(const std::string& line) {
    // The builders' two password lines: the administration password and a location's.
    static const std::string global = "set password ";
    if (line.compare(0, global.size(), global) == 0)
        return global.size();
    static const std::string set = "set ";
    static const std::string password = " password ";
    if (line.compare(0, set.size(), set) != 0)
        return std::string::npos;
    const size_t name_end = line.find(' ', set.size());
    if (name_end == std::string::npos || name_end == set.size() ||
        line.compare(name_end, password.size(), password) != 0)
        return std::string::npos;
    return name_end + password.size();
}

std::string MaskSecret(const std::string& line) {
    const size_t at = SecretAt(line);
    return at == std::string::npos ? line : line.substr(0, at) + MaskedSecret;
}

std::string RunPreviewHeadline(size_t lineCount, bool chapAssumed, bool chapTaken) {
    std::string text = "The Quillet would take these " + std::to_string(lineCount) +
                       " command lines, save its settings and restart.";
    if (chapAssumed)
        text += std::string(" Not asked, since asking would change the Quillet: whether its "
                            "firmware takes CHAP per location; these lines assume it ") +
                (chapTaken ? "does." : "does not.");
    return text;
}

} // namespace VLQLWizUIControl
