#include "run/CommandPreview.h"

#include "router/RecordText.h"
#include "router/VLVelunor.h"
#include "run/SnapshotDiff.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <sstream>

namespace VLQLWizUIControl {

namespace {

std::vector<std::string> Words(const std::string& line, size_t most) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string word; words.size() < most && in >> word;)
        words.push_back(word);
    return words;
}

// The keywords of the global builder's lines ("set address ...", "set isdn ...").
bool GlobalKeyword(const std::string& word) {
    static const std::set<std::string> keywords = {
        "address", "host", "gateway", "netmask", "broadcast", "ypserver", "domain",
        "namesvc", "isdn", "password", "route", "default", "slip", "ethernet", "snmp",
        "telnet", "loghost", "assigned", "ifilter", "ofilter", "ipxnet", "ipxframe",
        "ipxgateway", "pap", "chap", "serial-admin",
    };
    return keywords.count(word) != 0;
}

// "ether0", "ether1": an interface, where "ethernet" is a global switch.
bool EtherName(const std::string& word) {
    return word.size() > 5 && word.compare(0, 5, "ether") == 0 &&
           std::all_of(word.begin() + 5, word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The heading of a line, and for a location's line the location's name.
std::string HeadingOf(const std::string& line, const std::vector<PreviewPort>& ports, std::string& location) {
    const std::vector<std::string> w = Words(line, 3);
    if (w.empty())
        return "Other";
    if (w[0] == "save" || w[0] == "reset" || w[0] == "reboot")
        return SavedHeading;
    const std::string second = w.size() > 1 ? w[1] : "";
    const std::string third = w.size() > 2 ? w[2] : "";
    if (w[0] == "add" || w[0] == "delete" || w[0] == "del") {
        if (second == "filter")
            return "Filters";
        if (second != "location" && second != "loc")
            return "Other";
        location = third;
        return "Locations";
    }
    if (w[0] != "set" || second.empty())
        return "Other";
    if (second == "filter" || second == "ipxfilter" || second == "sapfilter")
        return "Filters";
    if (EtherName(second))
        return "Ethernet";
    for (const PreviewPort& port : ports)
        if (port.name == second)
            return port.isdn ? "ISDN ports" : "Ports";
    if (second == "loc") {
        location = third;
        return "Locations";
    }
    if (GlobalKeyword(second))
        return "Global settings";
    location = second;
    return "Locations";
}

} // namespace

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

std::vector<PreviewPort> PreviewPorts(const VlPort* ports, size_t count) {
    std::vector<PreviewPort> out;
    for (size_t i = 0; ports != nullptr && i < count; ++i)
        out.push_back({FieldText(ports[i].name), VLVelunor::IsIsdnPort(ports[i])});
    return out;
}

GroupedPreview GroupPreview(const std::vector<std::string>& lines, const std::vector<PreviewPort>& ports) {
    GroupedPreview out;
    PreviewGroup saved{SavedHeading, {}};
    std::set<std::string> locations;
    std::map<std::string, size_t> groupAt;
    for (const std::string& line : lines) {
        ++out.lines;
        std::string location;
        const std::string heading = HeadingOf(line, ports, location);
        if (!location.empty())
            locations.insert(location);
        PreviewGroup* group = &saved;
        if (heading != SavedHeading) {
            auto [it, added] = groupAt.emplace(heading, out.groups.size());
            if (added)
                out.groups.push_back({heading, {}});
            group = &out.groups[it->second];
        }
        auto same = std::find_if(group->lines.begin(), group->lines.end(),
                                 [&line](const PreviewLine& l) { return l.text == line; });
        if (same != group->lines.end()) {
            ++same->times;
            continue;
        }
        group->lines.push_back({line, 1});
        if (heading != SavedHeading)
            ++out.settings;
    }
    // The wizard's own location is the ISP's; a restore may write several.
    for (PreviewGroup& group : out.groups)
        if (group.heading == "Locations" && locations == std::set<std::string>{"isp"})
            group.heading = "ISP location";
    if (!saved.lines.empty())
        out.groups.push_back(std::move(saved));
    return out;
}

GroupedPreview GroupDifferences(const std::vector<SettingDifference>& differences, bool showSecrets) {
    GroupedPreview grouped;
    for (const SettingDifference& d : differences) {
        auto group = std::find_if(grouped.groups.begin(), grouped.groups.end(),
                                  [&d](const PreviewGroup& g) { return g.heading == d.record; });
        if (group == grouped.groups.end())
            group = grouped.groups.insert(grouped.groups.end(), PreviewGroup{d.record, {}});
        group->lines.push_back({DifferenceBody(d, showSecrets), 1});
    }
    grouped.settings = grouped.lines = differences.size();
    return grouped;
}

std::string PreviewText(const GroupedPreview& preview, bool showSecrets) {
    std::string text;
    for (const PreviewGroup& group : preview.groups) {
        text += (text.empty() ? "" : "\n") + group.heading + "\n";
        for (const PreviewLine& line : group.lines) {
            text += "    " + (showSecrets ? line.text : MaskSecret(line.text));
            if (line.times == 2)
                text += "    (sent twice)";
            else if (line.times > 2)
                text += "    (sent " + std::to_string(line.times) + " times)";
            text += "\n";
        }
    }
    return text;
}

std::string CountOf(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

} // namespace VLQLWizUIControl
