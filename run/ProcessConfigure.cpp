// The configure step: Ethernet address, ISDN switch and channels, the ISP location and,
// with security on, the ISP filters.
#include "run/Process.h"

#include "router/FilterList.h"
#include "router/LocationList.h"
#include "run/ConfigSettings.h"
#include "run/IspFilters.h"

namespace VLQLWizUIControl {

void Process::Configure() {
    const ConfigSettings& s = *settings;

    failureKind = SettingGlobal;
    if (session.router == nullptr)
        throw -1;
    etherCurrent = EtherConfig(*session.EtherInterface(0));
    etherDesired = etherCurrent;
    etherDesired.SetAddress(s.RouterAddress());
    etherDesired.SetNetmask(s.RouterNetmask());

    failureKind = SavingGlobal;
    session.WriteEthernet(etherCurrent, etherDesired, 1);
    globalConfig = std::make_unique<GlobalConfig>(session);
    globalConfig->SetSwitchType(s.SwitchType());

    failureKind = SettingIsdnPorts;
    port1 = session.IsdnPort(0);
    port2 = session.IsdnPort(1);
    // A router without two ISDN channels cannot be set up for the ISP; stop here
    // rather than work on ports that are not there.
    if (port1 == nullptr || port2 == nullptr)
        throw -1;
    port1Desired = PortConfig(*port1);
    port2Desired = PortConfig(*port2);
    port1Desired.SetSpid(s.Channel1Spid());
    port2Desired.SetSpid(s.Channel2Spid());
    port1Desired.SetDirectory(s.Channel1DirNo());
    port2Desired.SetDirectory(s.Channel2DirNo());
    port1Desired.SetIdle("5");
    port1Desired.SetGroup("2");
    port2Desired.SetIdle("5");
    port2Desired.SetGroup("2");

    failureKind = SavingIsdnPorts;
    port1Desired.Write(session, port1, 0);
    port2Desired.Write(session, port2, 0);

    failureKind = SettingLocation;
    existingLocation = session.locations ? session.locations->Find("isp") : nullptr;
    ispLocation.SetName("isp");
    ispLocation.SetUsername(s.AccountName());
    ispLocation.SetPassword(s.AccountPassword());
    ispLocation.SetTelephone(s.PhoneNumber());
    ispLocation.SetTelephone2(s.PhoneNumber2());
    if (s.ConnectionType() != 0)
        ispLocation.SetOnDemand(1);
    else
        ispLocation.SetContinuous(1);
    ispLocation.SetChap(1);
    ispLocation.SetDestination("255.255.255.255");
    ispLocation.SetNetmask(s.RouterNetmask());
    ispLocation.SetIdle("5");
    ispLocation.SetGroup("2");
    ispLocation.SetRouting(0);
    ispLocation.SetMaxPorts(s.Channels());

    EtherConfig current = etherDesired;
    session.WriteEthernet(current, etherDesired, 0);
    globalConfig->Write(0);

    if (s.SecurityOn() != 0) {
        failureKind = SettingFilter;
        WriteFilter(IspInFilterName, true);
        WriteFilter(IspOutFilterName, false);
        failureKind = SavingFilter;
        // A refused save leaves the filters unsaved: the restart would drop them.
        if (session.filters == nullptr || session.filters->Save() != 0)
            throw 65536;
    }

    failureKind = SavingLocation;
    if (session.locations == nullptr)
        throw -1;
    if (existingLocation != nullptr)
        session.locations->Modify(ispLocation, existingLocation);
    else
        session.locations->Add(ispLocation);
    if (session.locations->Save() != 0)
        throw -1;

    session.SetPassword(s.AdminPassword());
    session.WriteGlobal();
}

void Process::WriteFilter(const char* name, bool input) {
    if (session.filters == nullptr)
        throw 65536;
    existingFilter = session.filters->Find(name);
    filter.Clear();
    filter.SetName(name);
    for (const FilterRule& rule : input ? IspInRules(*settings) : IspOutRules(*settings))
        filter.AddRule(rule, 3);
    if (existingFilter != nullptr)
        session.filters->Modify(filter, existingFilter);
    else
        session.filters->Add(filter);
    if (input)
        ispLocation.SetInputFilter(name);
    else
        ispLocation.SetOutputFilter(name);
}

} // namespace VLQLWizUIControl
