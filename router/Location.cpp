#include "router/Location.h"

#include "router/RecordText.h"
#include "router/Validators.h"
#include "router/ValueTables.h"

#include <climits>
#include <cstring>

namespace {

void SetBits(int32_t& word, int32_t bits, int on) {
    if (on != 0)
        word |= bits;
    else
        word &= ~bits;
}

} // namespace

Location::Location() {
    std::memset(static_cast<VlLocation*>(this), 0, sizeof(VlLocation));
    // Routing off, dialled neither continuously nor on demand, PPP with header compression.
    flags = VL_LF_RIP_NO_SEND | VL_LF_COMPRESS | VL_LF_PPP | VL_LF_RIP_NO_LISTEN;
    mtu = 1500;
}

Location::Location(const VlLocation& record) : VlLocation(record) {}

void Location::SetName(const std::string& text) { SetText(name, text); }

void Location::SetDestination(const std::string& text) {
    SetText(dest, text == Negotiated ? std::string(NegotiatedAddress) : text);
}

void Location::SetNetmask(const std::string& text) { SetText(netmask, text); }

void Location::SetGroup(const std::string& text) { group = TextNumber(text); }

void Location::SetIdle(const std::string& minutes) {
    // Clamped so that a huge entry cannot overflow into a negative time.
    long long seconds = static_cast<long long>(TextNumber(minutes)) * 60;
    idle = static_cast<int32_t>(seconds > INT_MAX ? INT_MAX : seconds < INT_MIN ? INT_MIN : seconds);
}

void Location::SetMaxPorts(const std::string& text) { maxports = TextNumber(text); }

void Location::SetInputFilter(const std::string& text) { SetText(ifilter, text); }

void Location::SetOutputFilter(const std::string& text) { SetText(ofilter, text); }

void Location::SetTelephone(const std::string& text) { SetText(telephone, text); }

void Location::SetTelephone2(const std::string& text) { SetText(telephone2, text); }

void Location::SetUsername(const std::string& text) { SetText(username, text); }

void Location::SetPassword(const std::string& text) { SetText(password, text); }

void Location::SetContinuous(int on) { SetBits(flags, VL_LF_CONTINUOUS, on); }

void Location::SetOnDemand(int on) { SetBits(flags, VL_LF_ON_DEMAND, on); }

void Location::SetChap(int on) { SetBits(flags2, VL_LF2_CHAP, on); }

void Location::SetRouting(int on) { SetBits(flags, VL_LF_RIP_NO_SEND | VL_LF_RIP_NO_LISTEN, on == 0); }

std::string Location::NameText() const { return FieldText(name); }

std::string Location::MaxPortsText() const { return NumberText(maxports); }

std::string Location::UsernameText() const { return FieldText(username); }

std::string Location::PasswordText() const { return FieldText(password); }

std::string Location::TelephoneText() const { return FieldText(telephone); }

std::string Location::Telephone2Text() const { return FieldText(telephone2); }
