// Setup entry of the driver: adds, changes and removes user data sources for
// unixODBC's SQLConfigDataSource. It never shows a dialog, whatever window
// it is given.

#include <odbcinst.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Attributes = std::vector<std::pair<std::string, std::string>>;

// "KEY=value\0KEY=value\0\0" into pairs, in the order given.
Attributes parse_attributes(const char* list) {
    Attributes out;
    if (list == nullptr) return out;
    for (const char* p = list; *p != 0;) {
        const std::string entry(p);
        p += entry.size() + 1;
        const std::size_t eq = entry.find('=');
        if (eq == std::string::npos) {
            out.emplace_back(entry, "");
        } else {
            out.emplace_back(entry.substr(0, eq), entry.substr(eq + 1));
        }
    }
    return out;
}

bool is_dsn_key(const std::string& key) {
    return key.size() == 3 && (key[0] | 0x20) == 'd' && (key[1] | 0x20) == 's' && (key[2] | 0x20) == 'n';
}

}  // namespace

extern "C" __attribute__((visibility("default"))) BOOL INSTAPI ConfigDSN(HWND, WORD request, LPCSTR driver,
                                                                         LPCSTR attributes) {
    const Attributes attrs = parse_attributes(attributes);
    std::string dsn;
    for (const auto& [key, value] : attrs) {
        if (is_dsn_key(key)) {
            dsn = value;
            break;
        }
    }
    if (dsn.empty() || !SQLValidDSN(dsn.c_str())) {
        SQLPostInstallerError(ODBC_ERROR_INVALID_KEYWORD_VALUE, "A valid DSN attribute is required");
        return 0;
    }
    switch (request) {
        case ODBC_ADD_DSN:
        case ODBC_CONFIG_DSN: {
            if (request == ODBC_ADD_DSN && !SQLWriteDSNToIni(dsn.c_str(), driver)) {
                SQLPostInstallerError(ODBC_ERROR_CREATE_DSN_FAILED, "Cannot write the data source");
                return 0;
            }
            for (const auto& [key, value] : attrs) {
                if (is_dsn_key(key)) continue;
                if (!SQLWritePrivateProfileString(dsn.c_str(), key.c_str(), value.c_str(), "odbc.ini")) {
                    SQLPostInstallerError(ODBC_ERROR_WRITING_SYSINFO_FAILED, "Cannot write a data source attribute");
                    return 0;
                }
            }
            return 1;
        }
        case ODBC_REMOVE_DSN:
            if (!SQLRemoveDSNFromIni(dsn.c_str())) {
                SQLPostInstallerError(ODBC_ERROR_REMOVE_DSN_FAILED, "Cannot remove the data source");
                return 0;
            }
            return 1;
        default:
            SQLPostInstallerError(ODBC_ERROR_INVALID_REQUEST_TYPE, "Unknown request");
            return 0;
    }
}
