// The settings file of qlwiz-batch: lines "Key=Value", "#" comments, blank lines. Keys
// are the settings record's field names; values go through the record's own checked
// setters, as the wizard's pages use them.
#pragma once

#include <string>
#include <utility>
#include <vector>

class ConfigSettings;

class SettingsFile {
public:
    // Reads and checks the file. False with one line in `error` (without a newline) for an
    // unreadable file, a line without "=", an unknown key, or a value the record refuses
    // ("<Key>: <message>").
    bool Load(const std::string& path, std::string& error);
    // Parses the text of a file; `error` as for Load.
    bool Parse(const std::string& text, std::string& error);

    // Stores every entry, in file order, into `settings`. False with "<Key>: <message>"
    // when a setter refuses one (never after a successful Parse).
    bool ApplyTo(ConfigSettings& settings, std::string& error) const;

    const std::vector<std::pair<std::string, std::string>>& Entries() const { return entries_; }

    static const std::vector<std::string>& Keys();

private:
    std::vector<std::pair<std::string, std::string>> entries_;
};
