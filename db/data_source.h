#pragma once
// The user data source "Store" and unixODBC's installer library, which
// registers and removes it (loaded at run time, so that the program starts
// without it and says so).

#include <string>

namespace detalehran::db {

inline constexpr const char* kDataSourceName = "Store";
inline constexpr const char* kDriverName = "Microsoft Access Driver (*.mdb)";
inline constexpr const char* kInstallerLibrary = "libodbcinst.so.2";
inline constexpr const char* kInstallerEntry = "SQLConfigDataSource";

// Installer request codes.
inline constexpr int kAddDataSource = 1;
inline constexpr int kRemoveDataSource = 3;

// Attribute text of the data source, in its fixed order.
std::string data_source_attributes(const std::string& directory, const std::string& name, const std::string& user,
                                   const std::string& password);
// The installer's list form: every ";" becomes a NUL, and the list ends with
// two NULs.
std::string installer_list(const std::string& attributes);
// The connection text that names our driver and a store file; empty for a
// path that holds both ";" and "}", which a connection cannot name (";"
// alone goes in braces).
std::string file_connection_text(const std::string& database_path);
// The directory with exactly one trailing "/".
std::string with_trailing_slash(const std::string& directory);

// The driver a configured data source names (user or system), or empty
// when there is no such data source or it names none.
std::string data_source_driver(const std::string& name);
// Whether the data source is configured for a driver other than ours, for a
// database that is no Store.mdb file: the user's own, never touched.
bool names_other_driver(const std::string& name);

// Adds or removes a data source through the installer; empty on success,
// otherwise the reason.
std::string configure_data_source(const std::string& attributes, const std::string& driver, int request);

}  // namespace detalehran::db
