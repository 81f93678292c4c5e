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

bool ApplyOne(ConfigSettings& s, const std::string& key, const std::string& value,
              std::string& message) {
    message.clear();
    if (key == "AdminPassword") { s.SetAdminPassword(value); return true; }
    if (key == "RouterAddress") return s.SetRouterAddress(value, message);
    if (key == "RouterNetmask") return s.SetRouterNetmask(value, message);
    if (key == "SwitchType") {
        if (!CheckSwitchType(value, message))
            return false;
        s.SetSwitchType(value);
        return true;
    }
    if (key == "Channel1Spid") return s.SetChannel1Spid(value, message);
    if (key == "Channel1DirNo") return s.SetChannel1DirNo(value, message);
    if (key == "Channel2Spid") return s.SetChannel2Spid(value, message);
    if (key == "Channel2DirNo") return s.SetChannel2DirNo(value, message);
    if (key == "SecurityOn") {
        int32_t on = 0;
        if (!CheckFlag(value, message, on))
            return false;
        s.SetSecurityOn(on);
        return true;
    }
    if (key == "FtpHost") return s.SetFtpHost(value, message);
    if (key == "HttpHost") return s.SetHttpHost(value, message);
    if (key == "SmtpHost") return s.SetSmtpHost(value, message);
    if (key == "DnsHost") return s.SetDnsHost(value, message);
    if (key == "Channels") return s.SetChannels(value, message);
    if (key == "PhoneNumber") return s.SetPhoneNumber(value, message);
    if (key == "PhoneNumber2") return s.SetPhoneNumber2(value, message);
    if (key == "ConnectionType") {
        int32_t type = 0;
        if (!CheckFlag(value, message, type))
            return false;
        s.SetConnectionType(type);
        return true;
    }
    if (key == "AccountName") { s.SetAccountName(value); return true; }
    if (key == "AccountPassword") { s.SetAccountPassword(value); return true; }
    message = "unknown key";
    return false;
}

} // namespace

const std::vector<std::string>& SettingsFile::Keys() {
    static const std::vector<std::string> keys = {
        "AdminPassword", "RouterAddress", "RouterNetmask", "SwitchType",    "Channel1Spid",
        "Channel1DirNo", "Channel2Spid",  "Channel2DirNo", "SecurityOn",    "FtpHost",
        "HttpHost",      "SmtpHost",      "DnsHost",       "Channels",      "PhoneNumber",
        "PhoneNumber2",  "ConnectionType", "AccountName",  "AccountPassword",
    };
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
