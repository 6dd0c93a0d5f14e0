// The program starts itself once more with glibc's huge-page heap, and only
// when the setting is not there yet.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "app/lifecycle.h"

namespace {

constexpr const char* kProbe = "DETALEHRAN_HEAP_PROBE";

// In the process started again: say what the heap setting is, and stop.
const bool kReportedWhenStartedAgain = [] {
    const char* probe = std::getenv(kProbe);
    if (probe == nullptr) return false;
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    std::ofstream(probe) << "started again with " << (tunables ? tunables : "");
    std::_Exit(0);
}();

// What a child that calls use_huge_page_heap() leaves in the probe file.
std::string run_child(const char* tunables) {
    const std::string probe = testing::TempDir() + "heap-probe-" + std::to_string(::getpid());
    std::remove(probe.c_str());
    const pid_t child = ::fork();
    if (child == 0) {
        ::setenv(kProbe, probe.c_str(), 1);
        if (tunables != nullptr) {
            ::setenv("GLIBC_TUNABLES", tunables, 1);
        } else {
            ::unsetenv("GLIBC_TUNABLES");
        }
        ::unsetenv("LD_PRELOAD");
        char self[4096] = {};
        const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
        char* argv[] = {n > 0 ? self : nullptr, nullptr};
        detalehran::use_huge_page_heap(argv);
        // Not started again.
        const char* now = std::getenv("GLIBC_TUNABLES");
        std::ofstream(probe) << "went on with " << (now ? now : "");
        std::_Exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::ifstream in(probe);
    std::stringstream text;
    text << in.rdbuf();
    std::remove(probe.c_str());
    return text.str();
}

TEST(HugePageHeap, StartsItselfOnceWithTheSettingAddedToOthers) {
    EXPECT_EQ(run_child(nullptr), "started again with glibc.malloc.hugetlb=1");
    EXPECT_EQ(run_child("glibc.malloc.arena_max=2"),
              "started again with glibc.malloc.arena_max=2:glibc.malloc.hugetlb=1");
}

TEST(HugePageHeap, AHeapSettingAlreadyGivenIsLeftAlone) {
    EXPECT_EQ(run_child("glibc.malloc.hugetlb=0"), "went on with glibc.malloc.hugetlb=0");
}

}  // namespace
