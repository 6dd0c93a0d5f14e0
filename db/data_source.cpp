#include "db/data_source.h"

#include <dlfcn.h>
#include <sql.h>

namespace detalehran::db {

namespace {

using ConfigDataSourceFn = int (*)(void*, unsigned short, const char*, const char*);
using InstallerErrorFn = SQLRETURN (*)(unsigned short, unsigned int*, char*, unsigned short, unsigned short*);
using ProfileFn = int (*)(const char*, const char*, const char*, char*, int, const char*);

// unixODBC's installer keeps its own message for a failed request.
std::string installer_error(void* library) {
    auto fn = reinterpret_cast<InstallerErrorFn>(dlsym(library, "SQLInstallerError"));
    if (fn == nullptr) return {};
    unsigned int code = 0;
    char text[512] = {};
    unsigned short used = 0;
    if (!SQL_SUCCEEDED(fn(1, &code, text, sizeof text, &used))) return {};
    return text;
}

// The installer keeps what it read of odbc.ini in a cache of its own for the
// life of the library; it stays loaded once opened, so every lookup after the
// first uses that cache instead of building (and losing) a new one.
void* open_installer() { return dlopen(kInstallerLibrary, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE); }

}  // namespace

std::string file_connection_text(const std::string& database_path) {
    const bool braced = database_path.find(';') != std::string::npos;
    if (braced && database_path.find('}') != std::string::npos) return {};
    const std::string dbq = braced ? "{" + database_path + "}" : database_path;
    return std::string("DRIVER={") + kDriverName + "};DBQ=" + dbq + ";";
}

std::string with_trailing_slash(const std::string& directory) {
    if (!directory.empty() && directory.back() == '/') return directory;
    return directory + "/";
}

std::string data_source_attributes(const std::string& directory, const std::string& name, const std::string& user,
                                   const std::string& password) {
    return "Server=MDBLib;Description=" + name + ";DSN=" + name + ";DBQ=" + with_trailing_slash(directory) + name +
           ".mdb;UID=" + user + ";PWD=" + password + ";";
}

std::string installer_list(const std::string& attributes) {
    std::string list = attributes;
    for (char& c : list) {
        if (c == ';') c = '\0';
    }
    // Two NULs end the list, whether or not the text ended with ";".
    if (list.empty() || list.back() != '\0') list.push_back('\0');
    list.push_back('\0');
    return list;
}

std::string data_source_driver(const std::string& name) {
    // The installer reads the data source's own Driver entry. (The driver
    // manager's list of data sources answers with the description instead
    // for a section that has no driver, as one being written has for a
    // moment.)
    void* library = open_installer();
    if (library == nullptr) return {};
    auto read = reinterpret_cast<ProfileFn>(dlsym(library, "SQLGetPrivateProfileString"));
    char driver[1024] = {};
    if (read != nullptr) read(name.c_str(), "Driver", "", driver, sizeof driver, "odbc.ini");
    dlclose(library);
    return driver;
}

bool names_other_driver(const std::string& name) {
    const std::string driver = data_source_driver(name);
    return !driver.empty() && driver != kDriverName;
}

std::string configure_data_source(const std::string& attributes, const std::string& driver, int request) {
    void* library = open_installer();
    if (library == nullptr) return std::string("ODBC installer library cannot be loaded: ") + dlerror();
    auto config = reinterpret_cast<ConfigDataSourceFn>(dlsym(library, kInstallerEntry));
    std::string reason;
    if (config == nullptr) {
        reason = std::string("ODBC installer has no ") + kInstallerEntry;
    } else {
        const std::string list = installer_list(attributes);
        // No parent window: the installer must never show a dialog.
        if (config(nullptr, static_cast<unsigned short>(request), driver.c_str(), list.data()) == 0) {
            reason = installer_error(library);
            if (reason.empty()) reason = "the ODBC installer refused the data source";
        }
    }
    dlclose(library);
    return reason;
}

}  // namespace detalehran::db
