// What a preview shows of the command lines a run or a restore would send: a first line
// that says what will happen to the router, and the lines with their passwords masked,
// grouped under plain headings for a person to read.
#pragma once

#include "cmdlib/vl.h"

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

// A port of the router, as the headings need it: "set S1 ..." is a port's line only
// if the router has a port S1, and the ISDN ports have a heading of their own.
struct PreviewPort {
    std::string name;
    bool isdn = false;
};
std::vector<PreviewPort> PreviewPorts(const VlPort* ports, size_t count);

struct PreviewLine {
    std::string text;  // as the builders send it, password included
    int times = 1;     // how often they send it
};

struct PreviewGroup {
    std::string heading;
    std::vector<PreviewLine> lines;  // in the order they first go out
};

struct GroupedPreview {
    // Ethernet, Global settings, ISDN ports, Ports, ISP location (or Locations),
    // Filters, Other, in the order their first lines go out; then "Saved and restarted"
    // with the saves, the resets and the reboot.
    std::vector<PreviewGroup> groups;
    // Distinct lines that set, add or delete something: the saves, the resets and the
    // reboot change no setting, and a line sent twice sets its value once.
    size_t settings = 0;
    size_t lines = 0;  // every line sent, repeats included
};

inline constexpr const char* SavedHeading = "Saved and restarted";

GroupedPreview GroupPreview(const std::vector<std::string>& lines, const std::vector<PreviewPort>& ports);

struct SettingDifference;
// Differences grouped the same way: a heading per record in words, under it each setting
// as DifferenceBody words it; `settings` counts them. A password shows as "changed"
// unless `showSecrets`.
GroupedPreview GroupDifferences(const std::vector<SettingDifference>& differences, bool showSecrets);

// The grouped lines as text: each heading on a line of its own, its lines under it
// indented, a repeated line with how often it goes out; passwords masked unless
// `showSecrets`.
std::string PreviewText(const GroupedPreview& preview, bool showSecrets);

// "1 setting" / "12 settings", "1 command line" / ...
std::string CountOf(size_t n, const char* one, const char* many);

} // namespace VLQLWizUIControl
