// The router as a whole: power-on, the command line's first word, saving, resets, the
// console, and which status record a request names. The areas live in RouterModel*.cpp.
#include "sim/RouterModel.h"

#include "sim/ModelText.h"

#include <cmath>

namespace sim {

RouterModel::RouterModel(const SimConfig& cfg) : cfg_(cfg) {
    GlobalSettings& g = running_.global;
    g.address = cfg.factory ? "" : cfg.address;
    g.netmask = cfg.netmask;
    g.flags = OldFirmware() ? 0x280 : 0x40280;  // DNS, default route heard; new: serial admin off
    g.isdnSwitch = cfg.factory ? -1 : 0;
    g.password = cfg.factory ? "" : cfg.password;
    g.ether1Netmask = "255.255.255.0";
    for (const PortDef& def : cfg.ports.empty() ? DefaultPorts() : cfg.ports)
        running_.ports.push_back(DefaultPort(def));
    runtime_.resize(running_.ports.size());
    for (const std::string& line : cfg.apply) {
        CommandResult r = Apply(line, 0);
        if (!r.ok && scenarioError_.empty())
            scenarioError_ = "scenario command refused: " + line + " (" + r.error + ")";
    }
    console_.clear();
    dials_ = 0;
    saved_ = running_;
}

long RouterModel::Scaled(long ms) const {
    double v = std::llround(static_cast<double>(ms) * cfg_.timeScale);
    return v < 0 ? 0 : static_cast<long>(v);
}

int RouterModel::PortIndex(const std::string& name) const {
    for (size_t i = 0; i < running_.ports.size(); ++i)
        if (running_.ports[i].name == name)
            return static_cast<int>(i);
    return -1;
}

void RouterModel::Boot(long long now) {
    running_ = saved_;
    for (PortRuntime& rt : runtime_)
        rt = PortRuntime{};
    for (size_t i = 0; i < running_.ports.size(); ++i)
        if (running_.ports[i].kind == PortKind::Isdn)
            runtime_[i].state = LineState::NoService;
    console_.clear();
    debug_ = 0;
    Reevaluate(now);
}

void RouterModel::AssignAddress(const std::string& address) { running_.global.address = address; }

bool RouterModel::CheckPassword(const std::string& password) const {
    return password == running_.global.password;
}

void RouterModel::Console(const std::string& text) {
    console_ += text;
    // keep the newest text when nobody reads the console
    if (console_.size() > 8192)
        console_.erase(0, console_.size() - 8192);
}

std::string RouterModel::TakeConsole(size_t max) {
    std::string out = console_.substr(0, max);
    console_.erase(0, out.size());
    return out;
}

CommandResult RouterModel::Apply(const std::string& line, long long now) {
    Advance(now);
    std::vector<std::string> w;
    std::vector<size_t> at;
    SplitWords(line, &w, &at);
    if (w.empty())
        return Refuse("Empty command");
    const std::string& verb = w[0];

    if (verb == "set") {
        if (w.size() < 2)
            return Refuse("set what?");
        const std::string& what = w[1];
        if (what == "loc") {
            if (w.size() < 4)
                return Refuse("set loc NAME SETTING");
            auto it = running_.locations.find(w[2]);
            if (it == running_.locations.end())
                return Refuse("No such location: " + w[2]);
            return SetLocation(it->second, w, line, 3);
        }
        if (what == "filter" || what == "ipxfilter" || what == "sapfilter")
            return SetFilter(what == "filter" ? 0 : what == "ipxfilter" ? 1 : 2, w, line);
        if (IsGlobalKeyword(what))
            return SetGlobal(w, line, 1, now);
        if (what == "ether0" || what == "ether1")
            return SetEther(what[5] - '0', w, line, 2);
        int port = PortIndex(what);
        if (port >= 0)
            return SetPort(running_.ports[port], w, line, 2, now);
        auto it = running_.locations.find(what);
        if (it != running_.locations.end()) {
            if (w.size() < 3)
                return Refuse("set " + what + " what?");
            return SetLocation(it->second, w, line, 2);
        }
        return Refuse("Unknown name or setting: " + what);
    }

    if (verb == "add") {
        if (w.size() != 3)
            return Refuse("add location|loc|filter NAME");
        if (w[1] == "location" || w[1] == "loc")
            return AddLocation(w[2]);
        if (w[1] == "filter")
            return AddFilter(w[2]);
        return Refuse("add what?");
    }

    if (verb == "delete" || verb == "del") {
        if (w.size() != 3)
            return Refuse("delete location|loc|filter NAME");
        if (w[1] == "location" || w[1] == "loc")
            return DeleteLocation(w[2]);
        if (w[1] == "filter")
            return DeleteFilter(w[2]);
        return Refuse("delete what?");
    }

    if (verb == "save")
        return Save(w);
    if (verb == "reset")
        return Reset(w);
    if (verb == "dial")
        return Dial(w, now);
    if (verb == "reboot") {
        if (w.size() != 1)
            return Refuse("reboot takes no arguments");
        CommandResult r;
        r.reboot = true;
        return r;
    }
    return Refuse("Unknown command: " + verb);
}

CommandResult RouterModel::Save(const std::vector<std::string>& w) {
    if (w.size() != 2)
        return Refuse("save address|location|filter|all|PORT");
    const std::string& what = w[1];
    if (what == "address") {
        saved_.global = running_.global;
    } else if (what == "location") {
        saved_.locations = running_.locations;
    } else if (what == "filter") {
        saved_.filters = running_.filters;
    } else if (what == "all") {
        saved_ = running_;
    } else {
        int port = PortIndex(what);
        if (port < 0)
            return Refuse("Nothing to save called " + what);
        saved_.ports[port] = running_.ports[port];
    }
    return Done();
}

CommandResult RouterModel::Reset(const std::vector<std::string>& w) {
    if (w.size() != 2)
        return Refuse("reset console|dialer|all");
    if (w[1] == "console") {
        console_.clear();
        return Done();
    }
    if (w[1] == "dialer" || w[1] == "all") {
        for (size_t i = 0; i < runtime_.size(); ++i)
            HangUp(static_cast<int>(i));
        if (w[1] == "all") {
            console_.clear();
            debug_ = 0;
        }
        return Done();
    }
    return Refuse("reset console|dialer|all");
}

std::string RouterModel::StatusReply(const std::string& name, long long now) {
    if (name.empty())
        return GlobalRecord(now);
    if (name == "ether0" || name == "ether1")
        return EtherRecord(name[5] - '0');
    long index = 0;
    if (ToInt(name, 0, static_cast<long>(running_.ports.size()) - 1, &index))
        return PortRecord(static_cast<int>(index), now);
    return "eNo such record: " + name;
}

} // namespace sim
