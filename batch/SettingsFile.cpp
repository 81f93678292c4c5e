#include "batch/SettingsFile.h"

#include "router/Validators.h"
#include "router/ValueTables.h"
#include "run/ConfigSettings.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

// The two flags come from radio buttons in the wizard; here they must be 0 or 1.
bool CheckFlag(const std::string& value, std::string& message, int32_t& flag) {
    std::string field;
    CheckRange(value, message, field, 0, 1);
    if (message.empty() && value.empty())
        CheckRange("-1", message, field, 0, 1);  // an empty entry is no choice
    if (!message.empty())
        return false;
    flag = TextNumber(field);
    return true;
}

// The switch type comes from a list in the wizard; a name outside it would be sent
// nowhere (the router keeps its own), so it is refused here.
bool CheckSwitchType(const std::string& value, std::string& message) {
    if (FindSwitchType(std::string_view(value)) != nullptr) {
        message.clear();
        return true;
    }
    message = "not one of the switch types:";
    for (const SwitchType& t : SwitchTypes)
        message += std::string(" \"") + std::string(t.name) + "\"";
    return false;
}

// Every key of the file, in the order the help lists them, with the checked setter its
// value goes through. A new entry of the settings record is one row here.
using S = ConfigSettings;
using Text = const std::string;
struct Key {
    const char* name;
    bool (*apply)(S& s, Text& value, std::string& message);
};
const Key kKeys[] = {
    {"AdminPassword", [](S& s, Text& v, std::string&) { s.SetAdminPassword(v); return true; }},
    {"RouterAddress", [](S& s, Text& v, std::string& m) { return s.SetRouterAddress(v, m); }},
    {"RouterNetmask", [](S& s, Text& v, std::string& m) { return s.SetRouterNetmask(v, m); }},
    {"SwitchType",
     [](S& s, Text& v, std::string& m) {
         if (!CheckSwitchType(v, m))
             return false;
         s.SetSwitchType(v);
         return true;
     }},
    {"Channel1Spid", [](S& s, Text& v, std::string& m) { return s.SetChannel1Spid(v, m); }},
    {"Channel1DirNo", [](S& s, Text& v, std::string& m) { return s.SetChannel1DirNo(v, m); }},
    {"Channel2Spid", [](S& s, Text& v, std::string& m) { return s.SetChannel2Spid(v, m); }},
    {"Channel2DirNo", [](S& s, Text& v, std::string& m) { return s.SetChannel2DirNo(v, m); }},
    {"SecurityOn",
     [](S& s, Text& v, std::string& m) {
         int32_t on = 0;
         if (!CheckFlag(v, m, on))
             return false;
         s.SetSecurityOn(on);
         return true;
     }},
    {"FtpHost", [](S& s, Text& v, std::string& m) { return s.SetFtpHost(v, m); }},
    {"HttpHost", [](S& s, Text& v, std::string& m) { return s.SetHttpHost(v, m); }},
    {"SmtpHost", [](S& s, Text& v, std::string& m) { return s.SetSmtpHost(v, m); }},
    {"DnsHost", [](S& s, Text& v, std::string& m) { return s.SetDnsHost(v, m); }},
    {"Channels", [](S& s, Text& v, std::string& m) { return s.SetChannels(v, m); }},
    {"PhoneNumber", [](S& s, Text& v, std::string& m) { return s.SetPhoneNumber(v, m); }},
    {"PhoneNumber2", [](S& s, Text& v, std::string& m) { return s.SetPhoneNumber2(v, m); }},
    {"ConnectionType",
     [](S& s, Text& v, std::string& m) {
         int32_t type = 0;
         if (!CheckFlag(v, m, type))
             return false;
         s.SetConnectionType(type);
         return true;
     }},
    {"AccountName", [](S& s, Text& v, std::string&) { s.SetAccountName(v); return true; }},
    {"AccountPassword", [](S& s, Text& v, std::string&) { s.SetAccountPassword(v); return true; }},
};

bool ApplyOne(ConfigSettings& s, const std::string& key, const std::string& value, std::string& message) {
    message.clear();
    for (const Key& k : kKeys)
        if (key == k.name)
            return k.apply(s, value, message);
    message = "unknown key";
    return false;
}

} // namespace

const std::vector<std::string>& SettingsFile::Keys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> names;
        for (const Key& k : kKeys)
            names.push_back(k.name);
        return names;
    }();
    return keys;
}

bool SettingsFile::Load(const std::string& path, std::string& error) {
    std::string text;
    bool readable = false;
    try {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            readable = !in.bad();
        }
    } catch (const std::exception&) {
        readable = false;  // a directory, or a read error half way
    }
    if (!readable) {
        error = path + ": cannot read the settings file";
        return false;
    }
    if (!Parse(text, error)) {
        // Syntax errors name the place; a refused value is "<Key>: <message>" alone.
        if (error.rfind("line ", 0) == 0)
            error = path + ":" + error.substr(5);
        return false;
    }
    return true;
}

bool SettingsFile::Parse(const std::string& text, std::string& error) {
    entries_.clear();
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#')
            continue;
        size_t eq = line.find('=');
        std::string key = line.substr(0, eq);
        if (eq == std::string::npos) {
            error = "line " + std::to_string(number) + ": not a Key=Value line: " + line;
            return false;
        }
        const std::vector<std::string>& keys = Keys();
        if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
            error = "line " + std::to_string(number) + ": unknown key \"" + key + "\"";
            return false;
        }
        entries_.emplace_back(key, line.substr(eq + 1));
    }
    // Each value is checked as the pages check it, before anything is contacted.
    ConfigSettings scratch;
    if (!ApplyTo(scratch, error))
        return false;
    // The wizard cannot leave the address page without these; nothing else can supply them.
    for (const char* key : {"RouterAddress", "RouterNetmask"}) {
        bool given = std::any_of(entries_.begin(), entries_.end(),
                                 [key](const auto& e) { return e.first == key; });
        if (!given) {
            error = std::string(key) + ": " + std::string(InvalidAddressMessage);
            return false;
        }
    }
    return true;
}

bool SettingsFile::ApplyTo(ConfigSettings& settings, std::string& error) const {
    for (const auto& [key, value] : entries_) {
        std::string message;
        if (!ApplyOne(settings, key, value, message)) {
            error = key + ": " + message;
            return false;
        }
    }
    return true;
}
