#pragma once
// A hermetic working folder for one test process: a temporary folder that
// becomes the current directory, with unixODBC pointed at the build's driver
// registration and at an odbc.ini of its own. unixODBC reads these settings
// once per process, so create the folder before the first ODBC call; ctest
// runs every test in a process of its own.

#include <string>

namespace detalehran::testing {

class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    // Folder path with a trailing "/".
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + name; }
    // The user data sources file unixODBC writes for this process.
    std::string odbc_ini() const { return file("odbc.ini"); }
    std::string odbc_ini_text() const;

    // Creates an empty inventory database (Store.mdb unless named).
    void create_store(const std::string& name = "Store.mdb") const;
    // Creates a subfolder and returns its path with a trailing "/".
    std::string subfolder(const std::string& name) const;

private:
    std::string path_;
    std::string previous_cwd_;
};

std::string read_file(const std::string& path);
bool file_exists(const std::string& path);

}  // namespace detalehran::testing
