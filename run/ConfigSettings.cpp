#include "run/ConfigSettings.h"

#include "platform/Files.h"
#include "platform/Hooks.h"
#include "router/Validators.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A host entry is optional: "" means none.
bool CheckHost(const std::string& text, std::string& message, std::string& field) {
    if (text.empty()) {
        message.clear();
        field.clear();
        return true;
    }
    CheckAddress(text, message, field);
    return message.empty();
}

} // namespace

ConfigSettings::ConfigSettings()
    : securityOn_(1),
      channels_(NumberText(1)),
      // On demand: with no published service nothing needs the link up, and ISDN is
      // billed by the minute.
      connectionType_(1) {}

std::string ConfigSettings::FtpHost() const {
    return ftpHost_ == "0.0.0.0" ? std::string() : ftpHost_;
}

bool ConfigSettings::SetRouterAddress(const std::string& text, std::string& message) {
    CheckAddress(text, message, routerAddress_);
    return message.empty();
}

bool ConfigSettings::SetRouterNetmask(const std::string& text, std::string& message) {
    CheckAddress(text, message, routerNetmask_);
    return message.empty();
}

bool ConfigSettings::SetChannel1Spid(const std::string& text, std::string& message) {
    CheckDigits(text, message, channel1Spid_, 20);
    return message.empty();
}

bool ConfigSettings::SetChannel1DirNo(const std::string& text, std::string& message) {
    CheckDigits(text, message, channel1DirNo_, 16);
    return message.empty();
}

bool ConfigSettings::SetChannel2Spid(const std::string& text, std::string& message) {
    CheckDigits(text, message, channel2Spid_, 20);
    return message.empty();
}

bool ConfigSettings::SetChannel2DirNo(const std::string& text, std::string& message) {
    CheckDigits(text, message, channel2DirNo_, 16);
    return message.empty();
}

bool ConfigSettings::SetFtpHost(const std::string& text, std::string& message) {
    return CheckHost(text, message, ftpHost_);
}

bool ConfigSettings::SetHttpHost(const std::string& text, std::string& message) {
    return CheckHost(text, message, httpHost_);
}

bool ConfigSettings::SetSmtpHost(const std::string& text, std::string& message) {
    return CheckHost(text, message, smtpHost_);
}

bool ConfigSettings::SetDnsHost(const std::string& text, std::string& message) {
    return CheckHost(text, message, dnsHost_);
}

bool ConfigSettings::SetChannels(const std::string& text, std::string& message) {
    CheckRange(text, message, channels_, 1, 2);
    return message.empty();
}

bool ConfigSettings::SetPhoneNumber(const std::string& text, std::string& message) {
    CheckPhoneNumber(text, message, phoneNumber_);
    return message.empty();
}

bool ConfigSettings::SetPhoneNumber2(const std::string& text, std::string& message) {
    if (text.empty()) {
        message.clear();
        phoneNumber2_.clear();
        return true;
    }
    CheckPhoneNumber(text, message, phoneNumber2_);
    return message.empty();
}

void ConfigSettings::SetAdminPassword(const std::string& text, std::string& message) {
    adminPassword_ = text;
    message.clear();
}

void ConfigSettings::SetSwitchType(const std::string& text, std::string& message) {
    switchType_ = text;
    message.clear();
}

void ConfigSettings::SetAccountName(const std::string& text, std::string& message) {
    accountName_ = text;
    message.clear();
}

void ConfigSettings::SetAccountPassword(const std::string& text, std::string& message) {
    accountPassword_ = text;
    message.clear();
}

bool WriteSummaryFile(const std::string& text, const std::string& path) {
    // O_NOFOLLOW refuses a planted symbolic link; O_NONBLOCK keeps a planted FIFO from
    // blocking the open. Nothing is truncated before the checks below pass.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
              ::fcntl(fd, F_SETFL, 0) == 0 && ::ftruncate(fd, 0) == 0;
    // Written as a "%s" print would: up to the first NUL.
    ok = ok && platform::WriteAll(fd, text.c_str(), std::strlen(text.c_str()));
    if (::close(fd) != 0)
        ok = false;
    return ok;
}

bool WriteSummaryFile(const std::string& text) {
    return WriteSummaryFile(text, platform::GetHooks().summaryFile);
}
