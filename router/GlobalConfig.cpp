#include "router/GlobalConfig.h"

#include "router/RecordText.h"
#include "router/VLVelunor.h"
#include "router/ValueTables.h"


GlobalConfig::GlobalConfig(VLVelunor& o) : owner(&o) {
    VlRouter& self = *this;
    // Cleared as the library clears a record: a read that fails before the router answers
    // must leave the switch type unknown (""), not pass off number 0 as "National ISDN1".
    vl_init_router(&self);
    // Never read its ports, so the global builder sends "set isdn" from this record.
    isdn_present = -1;
    socket = owner->router != nullptr ? owner->router->socket : -1;
    if (socket >= 0) {
        vl_read_global(this);
        // A failed read closed the shared socket; the session must not close it again.
        if (socket < 0 && owner->router != nullptr)
            owner->router->socket = -1;
    }
    ports = nullptr;
    current = new VlRouter(self);
    current->port_count = 1;
    current->ports = new VlPort[1]();
}

GlobalConfig::~GlobalConfig() {
    delete[] current->ports;
    delete current;
}

void GlobalConfig::Write(int save) {
    // Both records use the session's socket as it is now.
    int live = owner->router != nullptr ? owner->router->socket : -1;
    current->socket = live;
    socket = live;
    int result = vl_set_global(current, this, nullptr);
    // A broken link closes the record it broke on; the session must not close it again.
    if (current->socket < 0 && owner->router != nullptr)
        owner->router->socket = -1;
    if (result == -1)
        throw -1;
    // Unsaved, the gateway would be gone after the next restart.
    if (save != 0) {
        result = vl_save_address(this);
        if (socket < 0 && owner->router != nullptr)
            owner->router->socket = -1;
        if (result != 0)
            throw -1;
    }
}

std::string GlobalConfig::SwitchTypeName() const { return SwitchTypeName(isdn_switch); }

int GlobalConfig::SetSwitchType(const std::string& name) {
    int number = SwitchTypeNumber(name);
    if (number >= 0)
        isdn_switch = number;
    return 0;
}

int GlobalConfig::SetGateway(const std::string& address) {
    SetText(gateway, address);
    return 0;
}

std::string GlobalConfig::SwitchTypeName(int number) {
    const SwitchType* t = FindSwitchType(number);
    return t != nullptr ? std::string(t->name) : std::string();
}

int GlobalConfig::SwitchTypeNumber(const std::string& name) {
    const SwitchType* t = FindSwitchType(std::string_view(name));
    return t != nullptr ? t->number : -1;
}
