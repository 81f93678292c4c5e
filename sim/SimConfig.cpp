// Reading a scenario: its lines, each a key of the table in ScenarioKeys.cpp.
#include "sim/SimConfig.h"

#include <sstream>

namespace sim {

namespace {

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return "";
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

} // namespace

std::vector<PortDef> DefaultPorts() {
    return {{"C0", PortKind::Async}, {"S1", PortKind::Isdn}, {"S2", PortKind::Isdn},
            {"W3", PortKind::Sync}};
}

bool ParseScenario(const std::string& text, SimConfig& cfg, std::string* err) {
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::string t = Trim(line);
        if (t.empty() || t[0] == '#')
            continue;
        size_t eq = t.find('=');
        if (eq == std::string::npos) {
            if (err)
                *err = "line " + std::to_string(number) + ": expected key = value";
            return false;
        }
        std::string key = Trim(t.substr(0, eq));
        // apply lines keep their trailing blanks: some router commands end in one
        std::string value = t.substr(eq + 1);
        size_t b = value.find_first_not_of(" \t");
        value = b == std::string::npos ? "" : value.substr(b);
        if (key != "apply")
            value = Trim(value);
        else {
            std::string raw = line.substr(line.find('=') + 1);
            size_t rb = raw.find_first_not_of(" \t");
            value = rb == std::string::npos ? "" : raw.substr(rb);
            while (!value.empty() && (value.back() == '\r' || value.back() == '\n'))
                value.pop_back();
        }
        std::string why;
        if (!SetScenarioKey(cfg, key, value, &why)) {
            if (err)
                *err = "line " + std::to_string(number) + ": " + why;
            return false;
        }
    }
    return true;
}

} // namespace sim
