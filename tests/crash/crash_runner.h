#pragma once
// Running the programs the crash checks kill: a working folder of their own,
// starting a crash session or any other program in it, and waiting for it
// with a time limit.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace detalehran::crash {

int env_int(const char* name, int fallback);

// A working folder of its own: the build's driver registration, its own
// data sources file and a new, empty Store.mdb. Kept when a check failed.
class WorkingFolder {
public:
    WorkingFolder();
    ~WorkingFolder();
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// Starts args[0] in the folder's ODBC environment, its output appended to
// the log file.
pid_t start_program(const WorkingFolder& folder, std::vector<std::string> args, const std::string& log);
// A crash session (crash_session.cpp) on the folder, journaling to `journal`.
pid_t start_session(const WorkingFolder& folder, const std::string& journal, std::uint64_t seed, const std::string& tag,
                    const std::vector<std::string>& extra = {});

std::string status_text(int status);
// Waits for the process; nothing when it is still running after `limit`
// (it is then killed: a hang).
std::optional<int> wait_for(pid_t pid, std::chrono::milliseconds limit);
// The last 2000 bytes of a log.
std::string tail_of(const std::string& path);

}  // namespace detalehran::crash
