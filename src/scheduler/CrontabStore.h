// CrontabStore.h -- the user's crontab as one text: read it whole, write it whole.
#pragma once

#include <stdexcept>
#include <string>

namespace tessaly {

class SchedulerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CrontabStore {
public:
    virtual ~CrontabStore() = default;
    // The table; empty when the user has none. Throws SchedulerError.
    virtual std::string read() = 0;
    // Installs the table in place of the old one. Throws SchedulerError.
    virtual void write(const std::string& table) = 0;
};

// The crontab program to use: $TESSALY_CRONTAB when set and not empty, else "crontab" from PATH.
std::string crontabProgram();

// The table through the crontab program ("crontab -l", "crontab -").
class CommandCrontab : public CrontabStore {
public:
    explicit CommandCrontab(std::string program = crontabProgram());
    std::string read() override;
    void write(const std::string& table) override;

private:
    std::string program_;
};

} // namespace tessaly
