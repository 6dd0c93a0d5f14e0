#include "concurrency/other_program.h"

#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "store/store_schema.h"

extern char** environ;

namespace detalehran::testing {

namespace {

constexpr const char* kDatabaseVariable = "DETALEHRAN_OTHER_PROGRAM_DATABASE";
constexpr const char* kLockVariable = "DETALEHRAN_OTHER_PROGRAM_LOCK";

void say(const std::string& line) {
    const std::string text = line + "\n";
    [[maybe_unused]] const ssize_t n = ::write(STDOUT_FILENO, text.data(), text.size());
}

// The other program's whole life: it runs before main() of the process that
// was started as it, and never returns.
[[noreturn]] void run_other_program(const char* path, const char* lock) {
    sqlite3* db = nullptr;
    char* message = nullptr;
    const std::string begin = std::strcmp(lock, "exclusive") == 0 ? "BEGIN EXCLUSIVE" : "BEGIN IMMEDIATE";
    // A row of its own in a table the commands under test never write.
    const std::string sql = begin + "; INSERT INTO Package VALUES ('другая программа');";
    if (sqlite3_open_v2(path, &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
        !store::register_text_functions(db) || sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        say(std::string("failed: ") + (message ? message : db ? sqlite3_errmsg(db) : "cannot open"));
        _exit(1);
    }
    say("locked");
    // The lock is held until the test closes its end of the pipe.
    char c = 0;
    while (::read(STDIN_FILENO, &c, 1) > 0) {
    }
    const int rc = sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    _exit(rc == SQLITE_OK ? 0 : 2);
}

// Runs while this executable's globals are made: as the other program it
// never gets to main().
const bool kIsOtherProgram = [] {
    const char* path = std::getenv(kDatabaseVariable);
    const char* lock = std::getenv(kLockVariable);
    if (path != nullptr && lock != nullptr) run_other_program(path, lock);
    return false;
}();

}  // namespace

bool OtherProgram::hold(const std::string& database, Lock lock) {
    release();
    error_.clear();
    int to_child[2] = {-1, -1};
    int from_child[2] = {-1, -1};
    if (::pipe2(to_child, O_CLOEXEC) != 0 || ::pipe2(from_child, O_CLOEXEC) != 0) {
        error_ = std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, to_child[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, from_child[1], STDOUT_FILENO);

    std::vector<std::string> settings;
    for (char** e = environ; *e != nullptr; ++e) settings.emplace_back(*e);
    settings.push_back(std::string(kDatabaseVariable) + "=" + database);
    settings.push_back(std::string(kLockVariable) + "=" + (lock == Lock::exclusive ? "exclusive" : "write"));
    std::vector<char*> envp;
    for (std::string& s : settings) envp.push_back(s.data());
    envp.push_back(nullptr);
    char self[] = "/proc/self/exe";
    char* argv[] = {self, nullptr};

    const int rc = posix_spawn(&pid_, self, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(to_child[0]);
    ::close(from_child[1]);
    if (rc != 0) {
        pid_ = -1;
        ::close(to_child[1]);
        ::close(from_child[0]);
        error_ = std::strerror(rc);
        return false;
    }
    to_child_ = to_child[1];
    std::string line;
    char c = 0;
    while (::read(from_child[0], &c, 1) == 1 && c != '\n') line += c;
    ::close(from_child[0]);
    if (line == "locked") return true;
    error_ = line.empty() ? "the other program ended without a word" : line;
    release();
    return false;
}

bool OtherProgram::release() {
    if (to_child_ >= 0) {
        ::close(to_child_);
        to_child_ = -1;
    }
    if (pid_ < 0) return true;
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace detalehran::testing
