#include "crash/crash_runner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "store/store_schema.h"

namespace detalehran::crash {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int env_int(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != 0 ? std::atoi(text) : fallback;
}

WorkingFolder::WorkingFolder() {
    std::string pattern = (fs::temp_directory_path() / "detalehran-crash-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern + "/";
    fs::copy_file(fs::path(DETALEHRAN_ODBCSYSINI) / "odbcinst.ini", fs::path(path_) / "odbcinst.ini");
    std::string error;
    if (!detalehran::store::create_store_file(file("Store.mdb"), &error)) throw std::runtime_error(error);
}

WorkingFolder::~WorkingFolder() {
    if (::testing::Test::HasFailure() || env_int("DETALEHRAN_CRASH_KEEP", 0) != 0) {
        std::fprintf(stderr, "working folder kept: %s\n", path_.c_str());
        return;
    }
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

pid_t start_program(const WorkingFolder& folder, std::vector<std::string> args, const std::string& log) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    // The child: the ODBC environment of the folder, as TestFolder sets it.
    setenv("ODBCSYSINI", folder.path().c_str(), 1);
    setenv("ODBCINI", folder.file("odbc.ini").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (out >= 0) {
        ::dup2(out, 1);
        ::dup2(out, 2);
    }
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    _exit(127);
}

pid_t start_session(const WorkingFolder& folder, const std::string& journal, std::uint64_t seed, const std::string& tag,
                    const std::vector<std::string>& extra) {
    std::vector<std::string> args{DETALEHRAN_CRASH_SESSION,
                                  "--folder",
                                  folder.path(),
                                  "--journal",
                                  journal,
                                  "--seed",
                                  std::to_string(seed),
                                  "--tag",
                                  tag};
    args.insert(args.end(), extra.begin(), extra.end());
    return start_program(folder, std::move(args), folder.file("session-" + tag + ".log"));
}

std::string status_text(int status) {
    if (WIFEXITED(status)) return "exit code " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return std::string("signal ") + strsignal(WTERMSIG(status));
    return "status " + std::to_string(status);
}

std::optional<int> wait_for(pid_t pid, std::chrono::milliseconds limit) {
    const auto until = Clock::now() + limit;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) return status;
        if (Clock::now() >= until) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

std::string tail_of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    const std::string text = all.str();
    return text.size() > 2000 ? text.substr(text.size() - 2000) : text;
}

}  // namespace detalehran::crash
