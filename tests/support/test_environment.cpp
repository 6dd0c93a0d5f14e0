#include "test_environment.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "store/store_schema.h"

namespace detalehran::testing {

namespace fs = std::filesystem;

TestFolder::TestFolder() {
    std::string pattern = (fs::temp_directory_path() / "detalehran-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern + "/";
    previous_cwd_ = fs::current_path().string();
    fs::current_path(path_);
    // A copy of the build's driver registration: unixODBC may write beside
    // odbcinst.ini, and nothing may be written outside this folder.
    fs::copy_file(fs::path(DETALEHRAN_ODBCSYSINI) / "odbcinst.ini", fs::path(path_) / "odbcinst.ini");
    setenv("ODBCSYSINI", path_.c_str(), 1);
    setenv("ODBCINI", odbc_ini().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

TestFolder::~TestFolder() {
    std::error_code ignored;
    fs::current_path(previous_cwd_, ignored);
    fs::remove_all(path_, ignored);
}

std::string TestFolder::odbc_ini_text() const { return file_exists(odbc_ini()) ? read_file(odbc_ini()) : ""; }

void TestFolder::create_store(const std::string& name) const {
    std::string error;
    if (!store::create_store_file(file(name), &error)) throw std::runtime_error(error);
}

std::string TestFolder::subfolder(const std::string& name) const {
    fs::create_directories(file(name));
    return file(name) + "/";
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool file_exists(const std::string& path) { return fs::exists(path); }

}  // namespace detalehran::testing
