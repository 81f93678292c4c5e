// Everything the user tells the wizard, with the checked setters the pages and
// qlwiz-batch use, and the writer of the summary file. Plain C++: no Qt.
#pragma once

#include <cstdint>
#include <string>

class ConfigSettings {
public:
    ConfigSettings();

    // Getters. FtpHost alone hides "0.0.0.0"; the other hosts come back as stored.
    const std::string& AdminPassword() const { return adminPassword_; }
    const std::string& RouterAddress() const { return routerAddress_; }
    const std::string& RouterNetmask() const { return routerNetmask_; }
    const std::string& SwitchType() const { return switchType_; }
    const std::string& Channel1Spid() const { return channel1Spid_; }
    const std::string& Channel1DirNo() const { return channel1DirNo_; }
    const std::string& Channel2Spid() const { return channel2Spid_; }
    const std::string& Channel2DirNo() const { return channel2DirNo_; }
    int32_t SecurityOn() const { return securityOn_; }
    std::string FtpHost() const;
    const std::string& HttpHost() const { return httpHost_; }
    const std::string& SmtpHost() const { return smtpHost_; }
    const std::string& DnsHost() const { return dnsHost_; }
    const std::string& Channels() const { return channels_; }
    const std::string& PhoneNumber() const { return phoneNumber_; }
    const std::string& PhoneNumber2() const { return phoneNumber2_; }
    int32_t ConnectionType() const { return connectionType_; }
    const std::string& AccountName() const { return accountName_; }
    const std::string& AccountPassword() const { return accountPassword_; }
    const std::string& IspAddress() const { return ispAddress_; }

    // Checked setters: true and message "" when stored; false with the checker's
    // message and the field unchanged otherwise. The host setters and SetPhoneNumber2
    // take "" as "none" and clear the field, since those entries are optional.
    bool SetRouterAddress(const std::string& text, std::string& message);
    bool SetRouterNetmask(const std::string& text, std::string& message);
    bool SetChannel1Spid(const std::string& text, std::string& message);
    bool SetChannel1DirNo(const std::string& text, std::string& message);
    bool SetChannel2Spid(const std::string& text, std::string& message);
    bool SetChannel2DirNo(const std::string& text, std::string& message);
    bool SetFtpHost(const std::string& text, std::string& message);
    bool SetHttpHost(const std::string& text, std::string& message);
    bool SetSmtpHost(const std::string& text, std::string& message);
    bool SetDnsHost(const std::string& text, std::string& message);
    bool SetChannels(const std::string& text, std::string& message);
    bool SetPhoneNumber(const std::string& text, std::string& message);
    bool SetPhoneNumber2(const std::string& text, std::string& message);

    // Plain setters: stored unchanged; the message form also clears the message.
    void SetAdminPassword(const std::string& text) { adminPassword_ = text; }
    void SetAdminPassword(const std::string& text, std::string& message);
    void SetSwitchType(const std::string& text) { switchType_ = text; }
    void SetSwitchType(const std::string& text, std::string& message);
    void SetAccountName(const std::string& text) { accountName_ = text; }
    void SetAccountName(const std::string& text, std::string& message);
    void SetAccountPassword(const std::string& text) { accountPassword_ = text; }
    void SetAccountPassword(const std::string& text, std::string& message);
    void SetSecurityOn(int32_t on) { securityOn_ = on; }
    void SetConnectionType(int32_t type) { connectionType_ = type; }
    void SetIspAddress(const std::string& text) { ispAddress_ = text; }

    // Unchecked stores of what an already configured router holds (the router's own
    // values are shown to the user as they are, not re-checked).
    void StoreChannel1Spid(const std::string& text) { channel1Spid_ = text; }
    void StoreChannel1DirNo(const std::string& text) { channel1DirNo_ = text; }
    void StoreChannel2Spid(const std::string& text) { channel2Spid_ = text; }
    void StoreChannel2DirNo(const std::string& text) { channel2DirNo_ = text; }
    void StoreFtpHost(const std::string& text) { ftpHost_ = text; }
    void StoreHttpHost(const std::string& text) { httpHost_ = text; }
    void StoreSmtpHost(const std::string& text) { smtpHost_ = text; }
    void StoreDnsHost(const std::string& text) { dnsHost_ = text; }
    void StoreChannels(const std::string& text) { channels_ = text; }
    void StorePhoneNumber(const std::string& text) { phoneNumber_ = text; }
    void StorePhoneNumber2(const std::string& text) { phoneNumber2_ = text; }

    // Direct clearing when a page's box is empty.
    void ClearFtpHost() { ftpHost_.clear(); }
    void ClearHttpHost() { httpHost_.clear(); }
    void ClearSmtpHost() { smtpHost_.clear(); }
    void ClearDnsHost() { dnsHost_.clear(); }
    void ClearPhoneNumber2() { phoneNumber2_.clear(); }

private:
    std::string adminPassword_;
    std::string routerAddress_;
    std::string routerNetmask_;
    std::string switchType_;
    std::string channel1Spid_;
    std::string channel1DirNo_;
    std::string channel2Spid_;
    std::string channel2DirNo_;
    int32_t securityOn_;
    std::string ftpHost_;
    std::string httpHost_;
    std::string smtpHost_;
    std::string dnsHost_;
    std::string channels_;
    std::string phoneNumber_;
    std::string phoneNumber2_;
    int32_t connectionType_;
    std::string accountName_;
    std::string accountPassword_;
    std::string ispAddress_;
};

// Writes the summary text (up to its first NUL) to `path`, creating or truncating the
// file. On a shared temporary directory another user may have planted a link or a file
// of their own under that name, so a symbolic link, anything but a regular file, and a
// file owned by another user are refused. False when nothing was written.
bool WriteSummaryFile(const std::string& text, const std::string& path);
// The same, to the summary file of the hooks (${TMPDIR:-/tmp}/QLWIZ.TXT by default).
bool WriteSummaryFile(const std::string& text);
