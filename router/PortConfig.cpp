#include "router/PortConfig.h"

#include "router/RecordText.h"
#include "router/VLVelunor.h"
#include "router/Validators.h"

#include <climits>
#include <cstring>

PortConfig::PortConfig() { std::memset(static_cast<VlPort*>(this), 0, sizeof(VlPort)); }

PortConfig::PortConfig(const VlPort& port) : VlPort(port) {}

void PortConfig::SetGroup(const std::string& text) { group = TextNumber(text); }

void PortConfig::SetSpid(const std::string& text) { SetText(spid, text); }

void PortConfig::SetDirectory(const std::string& text) { SetText(directory, text); }

void PortConfig::SetIdle(const std::string& minutes) {
    long long seconds = static_cast<long long>(TextNumber(minutes)) * 60;
    p5_12 = static_cast<int32_t>(seconds > INT_MAX ? INT_MAX : seconds < INT_MIN ? INT_MIN : seconds);
}

void PortConfig::Write(VLVelunor& connection, const VlPort* live, int save) {
    if (connection.router == nullptr || live == nullptr)
        throw -1;
    std::string portName = FieldText(name);
    if (vl_set_port(connection.router, portName.c_str(), live, this) == -1)
        throw -1;
    if (save != 0 && vl_save(connection.router, portName.c_str()) == -1)
        throw -1;
}
