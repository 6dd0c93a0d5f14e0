// The heap takes its address space at start and marks it for huge pages
// within the running process: it is not started again, the environment of
// the programs it starts is left alone, and the mark survives memory being
// freed and taken again.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/lifecycle.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kGlibcMalloc = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kGlibcMalloc = false;
#else
constexpr bool kGlibcMalloc = true;
#endif
#else
constexpr bool kGlibcMalloc = true;
#endif

// Whether the mapping that holds the address is marked for huge pages.
bool marked_for_huge_pages(const void* address) {
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    std::ifstream smaps("/proc/self/smaps");
    bool inside = false;
    for (std::string line; std::getline(smaps, line);) {
        // A mapping's first line starts with its range; the lines after it
        // are "Name: value".
        if (line.find(':') == std::string::npos || line.find(':') > line.find(' ')) {
            std::uintptr_t first = 0, end = 0;
            char dash = 0;
            std::istringstream range(line);
            if (range >> std::hex >> first >> dash >> end && dash == '-') inside = first <= at && at < end;
            continue;
        }
        if (inside && line.rfind("VmFlags:", 0) == 0) return (line + " ").find(" hg ") != std::string::npos;
    }
    return false;
}

// What a child that calls use_huge_page_heap() finds, one word per check.
std::string run_child() {
    int out[2];
    if (::pipe(out) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        const pid_t self = ::getpid();
        ::setenv("GLIBC_TUNABLES", "glibc.malloc.arena_max=2", 1);
        std::string report;
        report.reserve(256);  // nothing else may take memory between the blocks below
        report += detalehran::use_huge_page_heap() ? "reserved" : "usual";
        report += ::getpid() == self ? " same-process" : " restarted";
        report += std::strcmp(std::getenv("GLIBC_TUNABLES"), "glibc.malloc.arena_max=2") == 0 ? " env-kept"
                                                                                              : " env-changed";
        // A list's rows, written and freed, then the next list's.
        constexpr std::size_t kRows = std::size_t{64} << 20;
        char* rows = static_cast<char*>(std::malloc(kRows));
        std::memset(rows, 1, kRows);
        char* volatile written = rows;  // or the compiler drops the block altogether
        std::free(written);
        rows = static_cast<char*>(std::malloc(kRows));
        std::memset(rows, 2, kRows);
        report += marked_for_huge_pages(rows) && marked_for_huge_pages(rows + kRows - 1) ? " rows-marked"
                                                                                         : " rows-unmarked";
        std::free(rows);
        [[maybe_unused]] const ssize_t n = ::write(out[1], report.data(), report.size());
        std::_Exit(0);
    }
    ::close(out[1]);
    std::string report;
    char buffer[256];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) report.append(buffer, static_cast<std::size_t>(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return report;
}

TEST(HugePageHeap, MarksTheHeapInTheRunningProcess) {
    const std::string report = run_child();
    if (!kGlibcMalloc) {
        // The sanitizer's own allocator: nothing is changed.
        EXPECT_EQ(report, "usual same-process env-kept rows-unmarked");
    } else if (!std::filesystem::exists("/sys/kernel/mm/transparent_hugepage/enabled")) {
        EXPECT_EQ(report.substr(0, report.find(" rows")), "usual same-process env-kept");
    } else {
        EXPECT_EQ(report, "reserved same-process env-kept rows-marked");
    }
}

}  // namespace
