#pragma once
// What the program benchmarks share: a desktop that is never asked anything,
// timing, resident memory and a generated store in a folder of its own with
// the build's driver registered for this process only.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/services.h"
#include "store_writer.h"

namespace detalehran::bench {

// The desktop is not asked anything during a benchmark; a message is printed.
class QuietServices : public PlatformServices {
public:
    MessageAnswer message_box(QWidget*, const QString& title, const QString& text, MessageButtons,
                              MessageIcon) override {
        std::fprintf(stderr, "message: %s: %s\n", qPrintable(title), qPrintable(text));
        return MessageAnswer::ok;
    }
    std::optional<QString> choose_file(QWidget*, const QString&, const QList<FileFilter>&) override { return {}; }
    std::optional<QString> choose_save_file(QWidget*, const QString&, const QString&,
                                            const QList<FileFilter>&) override {
        return {};
    }
    std::optional<FontChoice> choose_font(QWidget*, const FontChoice&) override { return {}; }
    std::optional<int> choose_colour(QWidget*, int) override { return {}; }
    bool open_with_default_program(const QString&) override { return true; }
    bool set_clipboard_text(const QString&) override { return true; }
    QIcon file_type_icon(const QString&) override { return {}; }
    std::optional<QString> ask_text(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    bool print_document(QWidget*, const QString&, const QTextDocument&) override { return false; }
};

using Clock = std::chrono::steady_clock;

inline double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

template <typename F>
double best_of(int runs, F&& work) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        best = std::min(best, ms_since(start));
    }
    return best;
}

inline long resident_kib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return 0;
}

// "--parts N" from the command line, or the default.
inline std::size_t parts_argument(int argc, char** argv, std::size_t fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--parts") return std::strtoul(argv[i + 1], nullptr, 10);
    }
    return fallback;
}

// A fresh folder with a generated Store.mdb, made the current directory,
// with unixODBC pointed at the build's driver. Exits on failure.
inline std::filesystem::path generated_store_folder(const char* name, std::size_t parts, std::size_t* made) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / (std::string(name) + "-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const auto start = Clock::now();
    // Built by a child process: the benchmark's heap then holds nothing the
    // building freed, which the figures' memory would reuse.
    int result[2];
    if (::pipe(result) != 0) std::exit(1);
    const pid_t child = ::fork();
    if (child == 0) {
        dbtool::CreateReport report;
        std::string error;
        if (!dbtool::create_database({folder.string(), dbtool::Content::generated, parts}, &report, &error)) {
            std::fprintf(stderr, "cannot build the store: %s\n", error.c_str());
            std::_Exit(1);
        }
        const bool told = ::write(result[1], &report.parts, sizeof report.parts) == sizeof report.parts;
        std::_Exit(told ? 0 : 1);
    }
    ::close(result[1]);
    std::size_t built = 0;
    const bool read = ::read(result[0], &built, sizeof built) == sizeof built;
    ::close(result[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0 || !read) {
        std::exit(1);
    }
    std::printf("Store.mdb with %zu parts built in %.0f ms\n", built, ms_since(start));
    *made = built;
    fs::copy_file(fs::path(DETALEHRAN_ODBCSYSINI) / "odbcinst.ini", folder / "odbcinst.ini");
    setenv("ODBCSYSINI", folder.c_str(), 1);
    setenv("ODBCINI", (folder / "odbc.ini").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    fs::current_path(folder);
    return folder;
}

inline void remove_folder(const std::filesystem::path& folder) {
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

}  // namespace detalehran::bench
