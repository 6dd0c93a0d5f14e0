#pragma once
// Converting an Access (Jet) Store.mdb of the old Windows program into a
// store file of this program's format. The Jet file is only read; the new
// file is written under a temporary name beside the target and renamed into
// place when it is whole, so a failure or a crash never leaves half a file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace detalehran::jet {

inline constexpr const char* kStoreFileName = "Store.mdb";
// The name the original Jet file keeps beside the converted one.
inline constexpr const char* kKeptOriginalName = "Store.mdb.jet";

struct ConvertReport {
    std::string store_path;                    // the file written
    std::string kept_original;                 // in-place conversion: where the Jet file now is
    int jet_version = 0;                       // 3 or 4
    std::size_t items = 0;                     // items of Store converted
    std::size_t packages = 0;                  // package types converted
    std::size_t parked_returned = 0;           // parked items of Temp returned to Store
    std::size_t parked_dropped = 0;            // parked copies of items still in Store, dropped
    std::size_t new_ids = 0;                   // items that had no ID and got a new one
    std::int64_t next_id = 0;                  // the ID the next new item will get
    std::vector<std::string> missing_columns;  // optional columns the file lacked, read as empty
};

enum class ExistingTarget { refuse, replace };

// Reads jet_path whole and writes target_dir/Store.mdb. An existing
// target_dir/Store.mdb is replaced only when the caller says so (and then
// atomically). On failure returns false with a one-line reason in *error
// and nothing is written or changed.
bool convert_jet_store(const std::string& jet_path, const std::string& target_dir, ConvertReport* report,
                       std::string* error, ExistingTarget existing = ExistingTarget::refuse);

// The start-up's conversion: folder/Store.mdb, a Jet file, becomes a store
// of our format and the original stays beside it as folder/Store.mdb.jet,
// byte for byte. At every moment folder/Store.mdb is either the original or
// the whole converted file. Refuses when Store.mdb.jet exists already; on
// failure the original is left where and as it was.
bool convert_jet_store_in_place(const std::string& folder, ConvertReport* report, std::string* error);

}  // namespace detalehran::jet
