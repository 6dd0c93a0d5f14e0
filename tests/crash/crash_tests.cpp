// The program killed with SIGKILL at random moments of a long session, again
// and again on the same folder, as a user restarts it after each crash; and
// two programs working on one folder at once. After every kill the files must
// hold everything the program reported as stored, exactly, and be whole.
//
// DETALEHRAN_CRASH_KILLS (default 200) sets the number of kills,
// DETALEHRAN_CRASH_SEED the seed, DETALEHRAN_CRASH_MAX_DELAY_MS the longest
// time a session runs before its kill (default 1000), and
// DETALEHRAN_CRASH_OPS the length of each session of the two-program cases.
// A failing case keeps its working folder (journals, session logs); so does
// every case with DETALEHRAN_CRASH_KEEP=1.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <thread>

#include "crash/crash_check.h"
#include "crash/crash_runner.h"
#include "crash/journal.h"
#include "store/store_schema.h"

using namespace detalehran::crash;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::string lines(const std::vector<std::string>& problems) {
    std::string out;
    for (const std::string& p : problems) out += "  " + p + "\n";
    return out;
}

// The most stored items seen at once outside the trees of Store.ini.
int most_outside_the_trees = 0;

// Everything that can be compared with the journals now that no session runs.
std::vector<std::string> look_at_folder(Expectations& expect, const WorkingFolder& folder) {
    expect.end_sessions();
    const StoreFile store = read_store_file(folder.file("Store.mdb"), folder.file("scratch"));
    std::vector<std::string> problems = expect.compare(store);
    if (store.ok && fs::exists(folder.file("Store.ini"))) {
        most_outside_the_trees =
            std::max(most_outside_the_trees, items_outside_the_trees(store, folder.file("Store.ini")));
    }
    for (std::string& p : expect.compare_settings(read_settings_file(folder.file("Store.ini")))) problems.push_back(p);
    if (fs::exists(folder.file("Store_Backup.mdb"))) {
        const std::string backup = database_problem(folder.file("Store_Backup.mdb"), folder.file("scratch"));
        if (!backup.empty()) problems.push_back("Store_Backup.mdb: " + backup);
    }
    return problems;
}

std::string summary(const Expectations& expect) {
    std::string out = std::to_string(expect.items_known()) + " items known; reported failures " +
                      std::to_string(expect.reported_failures()) + ", of them stored all the same " +
                      std::to_string(expect.failed_but_stored()) + "; kills during:";
    for (const auto& [what, n] : expect.interrupted()) out += " " + what + " " + std::to_string(n);
    for (const auto& [text, n] : expect.messages()) out += "\n  told " + std::to_string(n) + " times: " + text;
    out += "\n  at most " + std::to_string(most_outside_the_trees) +
           " stored items at once had a section or place that the trees of Store.ini lack";
    return out;
}

// A normal start and the real close of the main window, to the end.
void start_and_close(Expectations& expect, const WorkingFolder& folder, const std::string& tag) {
    const std::string journal = folder.file("journal-" + tag + ".txt");
    const pid_t pid = start_session(folder, journal, 7, tag, {"--ops", "0", "--close"});
    const auto status = wait_for(pid, std::chrono::seconds(60));
    ASSERT_TRUE(status.has_value()) << "a normal start and close did not end within a minute";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0)
        << "a normal start and close ended with " << status_text(*status) << "\n"
        << tail_of(folder.file("session-" + tag + ".log"));
    std::size_t offset = 0;
    expect.apply(read_new_records(journal, offset));
    const auto problems = look_at_folder(expect, folder);
    EXPECT_TRUE(problems.empty()) << "after a normal start and close:\n" << lines(problems);
}

}  // namespace

TEST(Kill, AtRandomMomentsNothingReportedIsLostAndTheFilesStayWhole) {
    const int kills = env_int("DETALEHRAN_CRASH_KILLS", 200);
    const int max_delay = env_int("DETALEHRAN_CRASH_MAX_DELAY_MS", 1000);
    const auto seed = static_cast<std::uint64_t>(env_int("DETALEHRAN_CRASH_SEED", 1));
    WorkingFolder folder;
    const std::string journal = folder.file("journal-S.txt");
    Expectations expect(false);
    std::size_t offset = 0;
    std::mt19937_64 rng(seed);
    const auto started = Clock::now();
    for (int k = 0; k < kills; ++k) {
        const pid_t pid = start_session(folder, journal, seed * 100000 + static_cast<std::uint64_t>(k), "S");
        // A third of the kills fall into the start-up (about 0.3 s), the
        // rest into the operations after it.
        const int delay = std::uniform_int_distribution<int>(0, 2)(rng) == 0
                              ? std::uniform_int_distribution<int>(0, max_delay / 3)(rng)
                              : std::uniform_int_distribution<int>(max_delay / 3, max_delay)(rng);
        // The session runs until it is killed; ending by itself is a fault.
        const auto ended = wait_for(pid, std::chrono::milliseconds(delay));
        if (ended.has_value()) {
            ADD_FAILURE() << "session " << k << " ended by itself after less than " << delay << " ms with "
                          << status_text(*ended) << "\n"
                          << tail_of(folder.file("session-S.log"));
        }
        expect.apply(read_new_records(journal, offset));
        const auto problems = look_at_folder(expect, folder);
        ASSERT_TRUE(problems.empty()) << "after kill " << k << " at " << delay << " ms:\n" << lines(problems);
        if (::testing::Test::HasFailure()) return;
    }
    start_and_close(expect, folder, "F");
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    std::printf("%d kills in %.1f s; %s\n", kills, seconds, summary(expect).c_str());
}

namespace {

struct Pair {
    WorkingFolder folder;
    Expectations expect{true};
    std::string journal(const std::string& tag) const { return folder.file("journal-" + tag + ".txt"); }
    pid_t start(const std::string& tag, std::uint64_t seed, const std::vector<std::string>& extra) {
        return start_session(folder, journal(tag), seed, tag, extra);
    }
    void apply(const std::string& tag) {
        std::size_t offset = 0;
        expect.apply(read_new_records(journal(tag), offset));
    }
};

}  // namespace

TEST(TwoPrograms, WorkingOnOneFolderToTheEndLoseNothing) {
    const std::string ops = std::to_string(env_int("DETALEHRAN_CRASH_OPS", 150));
    const auto seed = static_cast<std::uint64_t>(env_int("DETALEHRAN_CRASH_SEED", 1));
    Pair pair;
    const auto started = Clock::now();
    const pid_t a = pair.start("A", seed * 11, {"--ops", ops, "--close", "--own"});
    const pid_t b = pair.start("B", seed * 13, {"--ops", ops, "--close", "--own"});
    for (const auto& [pid, tag] : {std::pair{a, "A"}, std::pair{b, "B"}}) {
        const auto status = wait_for(pid, std::chrono::minutes(3));
        ASSERT_TRUE(status.has_value()) << "session " << tag << " did not end within three minutes";
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0)
            << "session " << tag << " ended with " << status_text(*status) << "\n"
            << tail_of(pair.folder.file(std::string("session-") + tag + ".log"));
    }
    pair.apply("A");
    pair.apply("B");
    const auto problems = look_at_folder(pair.expect, pair.folder);
    EXPECT_TRUE(problems.empty()) << "after both sessions closed:\n" << lines(problems);
    start_and_close(pair.expect, pair.folder, "F");
    std::printf("two sessions of %s operations in %.1f s; %s\n", ops.c_str(),
                std::chrono::duration<double>(Clock::now() - started).count(), summary(pair.expect).c_str());
}

TEST(TwoPrograms, OneKilledInTheMiddleLosesNothing) {
    const std::string ops = std::to_string(env_int("DETALEHRAN_CRASH_OPS", 150));
    const auto seed = static_cast<std::uint64_t>(env_int("DETALEHRAN_CRASH_SEED", 1));
    Pair pair;
    std::mt19937_64 rng(seed);
    const auto started = Clock::now();
    const pid_t a = pair.start("A", seed * 17, {"--own"});
    const pid_t b = pair.start("B", seed * 19, {"--ops", ops, "--close", "--own"});
    const int delay = std::uniform_int_distribution<int>(800, 2500)(rng);
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    // Then the kill waits (a second at most) for A to be inside an operation.
    int a_status = 0;
    std::optional<int> ended;
    for (int i = 0; i < 500; ++i) {
        if (::waitpid(a, &a_status, WNOHANG) == a) {
            ended = a_status;
            break;
        }
        std::size_t offset = 0;
        const std::vector<Record> records = read_new_records(pair.journal("A"), offset);
        if (!records.empty() && records.back()[0] == "begin") break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!ended.has_value()) ended = wait_for(a, std::chrono::milliseconds(0));
    EXPECT_FALSE(ended.has_value()) << "session A ended by itself with " << status_text(ended.value_or(0)) << "\n"
                                    << tail_of(pair.folder.file("session-A.log"));
    const auto status = wait_for(b, std::chrono::minutes(3));
    ASSERT_TRUE(status.has_value()) << "session B did not end within three minutes";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0)
        << "session B ended with " << status_text(*status) << "\n"
        << tail_of(pair.folder.file("session-B.log"));
    pair.apply("A");
    pair.apply("B");
    const auto problems = look_at_folder(pair.expect, pair.folder);
    EXPECT_TRUE(problems.empty()) << "after A was killed at " << delay << " ms and B closed:\n" << lines(problems);
    start_and_close(pair.expect, pair.folder, "F");
    std::printf("A killed at %d ms, B ran %s operations, in %.1f s; %s\n", delay, ops.c_str(),
                std::chrono::duration<double>(Clock::now() - started).count(), summary(pair.expect).c_str());
}
