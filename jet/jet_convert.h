#pragma once
// Converting an Access (Jet) Store.mdb of the old Windows program into a
// store file of this program's format. The Jet file is only read; the new
// file is written under a temporary name beside the target and renamed into
// place when it is whole, so a failure or a crash never leaves half a file.
// No exception leaves the conversion: whatever goes wrong is a refusal.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "jet_reader.h"

namespace detalehran::jet {

inline constexpr const char* kStoreFileName = "Store.mdb";
// The name the original Jet file keeps beside the converted one.
inline constexpr const char* kKeptOriginalName = "Store.mdb.jet";

struct ConvertReport {
    std::string store_path;                        // the file written
    std::string kept_original;                     // in-place conversion: where the Jet file now is
    int jet_version = 0;                           // 3 or 4
    std::size_t items = 0;                         // items of Store converted
    std::size_t packages = 0;                      // package types converted
    std::size_t parked_returned = 0;               // parked items of Temp returned to Store
    std::size_t parked_dropped = 0;                // parked copies of items still in Store, dropped
    std::size_t new_ids = 0;                       // items that had no ID and got a new one
    std::int64_t next_id = 0;                      // the ID the next new item will get
    std::vector<MissingColumn> converted_without;  // columns the caller let go, read as empty
};

enum class ExistingTarget { refuse, replace };

// Asked, before anything is written, about the columns the old file lacks
// or holds unreadably; the conversion goes on without them only when it
// answers true.
using ConvertWithout = std::function<bool(const std::vector<MissingColumn>&)>;

struct ConvertOptions {
    // An existing target_dir/Store.mdb is replaced only when the caller says
    // so (and then atomically).
    ExistingTarget existing = ExistingTarget::refuse;
    // Without it, a file that lacks a column is refused.
    ConvertWithout convert_without;
};

enum class Outcome {
    converted,
    refused,   // the file or the folder does not allow it; reason says why
    declined,  // convert_without said no; nothing was written
};

struct ConvertResult {
    Outcome outcome = Outcome::refused;
    ConvertReport report;                // converted
    std::string reason;                  // refused: one line in Russian naming the file
    std::string details;                 // what libmdb printed while reading, if anything
    std::vector<MissingColumn> missing;  // declined, or refused for want of convert_without
};

// Reads jet_path whole and writes target_dir/Store.mdb. Unless converted,
// nothing is written or changed.
ConvertResult convert_jet_store(const std::string& jet_path, const std::string& target_dir,
                                const ConvertOptions& options = {});

// The start-up's conversion: folder/Store.mdb, a Jet file, becomes a store
// of our format and the original stays beside it as folder/Store.mdb.jet,
// byte for byte. At every moment folder/Store.mdb is either the original or
// the whole converted file. Refuses when Store.mdb.jet exists already;
// unless converted, the original is left where and as it was.
ConvertResult convert_jet_store_in_place(const std::string& folder, const ConvertOptions& options = {});

}  // namespace detalehran::jet
