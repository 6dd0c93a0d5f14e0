#pragma once
// Creating a new inventory folder: the store file, its Datasheet folder and,
// on request, a demo or a generated inventory inside it.

#include <cstddef>
#include <string>

namespace detalehran::dbtool {

inline constexpr const char* kStoreFileName = "Store.mdb";
inline constexpr const char* kDatasheetFolderName = "Datasheet";

enum class Content { empty, demo, generated };

struct CreateRequest {
    std::string folder;  // must exist already
    Content content = Content::empty;
    std::size_t part_count = 0;  // for Content::generated
};

struct CreateReport {
    std::string store_path;
    std::size_t parts = 0;
    std::size_t packages = 0;
    std::size_t datasheets = 0;  // datasheet files written by this run
};

// Never replaces an existing Store.mdb. On failure returns false with a
// one-line reason in *error and removes whatever this run made, so a later
// run can start clean.
bool create_database(const CreateRequest& request, CreateReport* report, std::string* error);

}  // namespace detalehran::dbtool
