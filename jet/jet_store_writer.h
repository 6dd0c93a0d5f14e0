#pragma once
// Writing what was read from a Jet file into a new store file of our own
// format, in one transaction.

#include <cstddef>
#include <cstdint>
#include <string>

#include "jet_reader.h"

namespace detalehran::jet {

struct WriteCounts {
    std::size_t items = 0;            // rows of Store written
    std::size_t packages = 0;         // package types written
    std::size_t parked_returned = 0;  // rows of Temp put back into Store
    std::size_t parked_dropped = 0;   // rows of Temp whose item was in Store already
    std::size_t new_ids = 0;          // rows without an ID, numbered anew
    std::int64_t next_id = 0;         // the ID the next new item will get
};

// Fills the empty store file at path (made by store::create_store_file) with
// every item, the package types and the parked items returned to Store as
// the program's close returns them. All or nothing: on failure the file is
// left without any of it. *error is a clause in Russian: "файл … не
// записан: на диске нет места".
bool write_converted_store(const std::string& path, const JetStore& content, WriteCounts* counts, std::string* error);

}  // namespace detalehran::jet
