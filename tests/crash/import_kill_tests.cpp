// An import killed with SIGKILL in the middle, in the program and in
// detalehran-db: the store holds all of the file's parts or none of them,
// an import reported done is there whole, and the file stays sound.
//
// DETALEHRAN_CRASH_IMPORT_KILLS (default 6) sets the kills of each case.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "crash/crash_check.h"
#include "crash/crash_runner.h"
#include "crash/journal.h"

using namespace detalehran::crash;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

// A file of `lines` parts named "<tag>-<n>", and one line with an error.
std::string parts_file(const WorkingFolder& folder, const std::string& tag, int lines) {
    const std::string path = folder.file(tag + ".csv");
    std::ofstream out(path, std::ios::binary);
    out << "Название;Количество;Цена;Раздел\r\n";
    for (int n = 0; n < lines; ++n) out << tag << "-" << n << ";" << n << ";1,5;Импорт/" << tag << "\r\n";
    out << tag << "-wrong;много;1;\r\n";
    return path;
}

// How many stored parts an import of that tag left.
long long parts_of(const StoreFile& store, const std::string& tag) {
    long long count = 0;
    for (const auto& [id, where] : store.items) {
        if (where.store && where.store->at(0).rfind(tag + "-", 0) == 0) ++count;
    }
    return count;
}

// Whether the journal holds a record of that kind (and operation).
bool journaled(const std::vector<Record>& records, const std::string& kind, const std::string& what = {}) {
    for (const Record& r : records) {
        if (!r.empty() && r[0] == kind && (what.empty() || (r.size() > 1 && r[1] == what))) return true;
    }
    return false;
}

// Waits (a minute at most) until the journal holds a record of that kind.
bool wait_for_record(const std::string& journal, const std::string& kind, pid_t pid) {
    const auto until = Clock::now() + std::chrono::minutes(1);
    while (Clock::now() < until) {
        std::size_t offset = 0;
        if (journaled(read_new_records(journal, offset), kind)) return true;
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

class ImportKill : public ::testing::Test {
protected:
    // Every earlier import still has what it had; this one all or nothing.
    void check(const std::string& tag, int lines, bool reported_done) {
        const StoreFile store = read_store_file(folder_.file("Store.mdb"), folder_.file("scratch"));
        ASSERT_TRUE(store.ok) << store.problem;
        for (const auto& [earlier, count] : counts_) EXPECT_EQ(parts_of(store, earlier), count) << earlier;
        const long long count = parts_of(store, tag);
        EXPECT_TRUE(count == 0 || count == lines) << tag << ": " << count << " of " << lines << " parts stored";
        if (reported_done) {
            EXPECT_EQ(count, lines) << tag << " was reported done";
        }
        counts_[tag] = count;
    }

    WorkingFolder folder_;
    std::map<std::string, long long> counts_;
    const int kills_ = env_int("DETALEHRAN_CRASH_IMPORT_KILLS", 6);
};

}  // namespace

// Half of the kills fall while the program waits between two steps of the
// import, the others at once after a step, while it stores the next one.
TEST_F(ImportKill, InTheProgramTheStoreHoldsAllOrNothing) {
    constexpr int kLines = 4000;
    for (int k = 0; k < kills_; ++k) {
        const std::string tag = "p" + std::to_string(k);
        const std::string journal = folder_.file("journal-" + tag + ".txt");
        std::vector<std::string> extra{"--import", parts_file(folder_, tag, kLines)};
        if (k % 2 == 0) extra.insert(extra.end(), {"--stall-at", std::to_string(kLines / 2)});
        const pid_t pid = start_session(folder_, journal, 7, tag, extra);
        const bool reached = wait_for_record(journal, k % 2 == 0 ? "stalled" : "step", pid);
        ::kill(pid, SIGKILL);
        ASSERT_FALSE(wait_for(pid, std::chrono::seconds(10)) == std::nullopt);
        ASSERT_TRUE(reached) << tail_of(folder_.file("session-" + tag + ".log"));
        std::size_t offset = 0;
        const std::vector<Record> records = read_new_records(journal, offset);
        check(tag, kLines, journaled(records, "done", "import"));
        // Stalled half-way, nothing of it may have been committed.
        if (k % 2 == 0) {
            EXPECT_EQ(counts_[tag], 0) << tag;
        }
    }
    // One more to the end: the program starts on what the kills left.
    const std::string journal = folder_.file("journal-end.txt");
    const pid_t pid = start_session(folder_, journal, 7, "end",
                                    {"--import", parts_file(folder_, "end", 100), "--ops", "0", "--close"});
    const auto status = wait_for(pid, std::chrono::minutes(1));
    ASSERT_TRUE(status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << tail_of(folder_.file("session-end.log"));
    std::size_t offset = 0;
    EXPECT_TRUE(journaled(read_new_records(journal, offset), "done", "import"));
    check("end", 100, true);
}

// Each tool is killed once its transaction has begun writing (SQLite's
// journal beside the store is there), a moment later.
TEST_F(ImportKill, WithTheToolTheStoreHoldsAllOrNothing) {
    constexpr int kLines = 20000;
    std::mt19937 random(static_cast<unsigned>(env_int("DETALEHRAN_CRASH_SEED", 1)));
    int cut_short = 0;
    for (int k = 0; k < kills_; ++k) {
        const std::string tag = "t" + std::to_string(k);
        const std::string file = parts_file(folder_, tag, kLines);
        const pid_t pid = start_program(folder_, {DETALEHRAN_DB_EXE, "import", folder_.path(), file},
                                        folder_.file("tool-" + tag + ".log"));
        // A journal the last kill left is rolled back (and goes) first.
        const std::string journal = folder_.file("Store.mdb-journal");
        bool leftover = fs::exists(journal);
        const auto until = Clock::now() + std::chrono::minutes(1);
        int status = 0;
        bool ended = false;
        while (Clock::now() < until && !(ended = ::waitpid(pid, &status, WNOHANG) == pid)) {
            const bool there = fs::exists(journal);
            if (!there) leftover = false;
            if (there && !leftover) break;
        }
        if (!ended) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 200)(random)));
            const auto done = wait_for(pid, std::chrono::milliseconds(0));
            ended = done.has_value();
            status = done.value_or(0);
        }
        if (ended) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << tail_of(folder_.file("tool-" + tag + ".log"));
        } else {
            ++cut_short;
        }
        check(tag, kLines, ended);
    }
    std::printf("%d of %d tool imports killed with their transaction open\n", cut_short, kills_);
}
