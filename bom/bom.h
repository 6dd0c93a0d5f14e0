#pragma once
// A bill of materials as the inventory reads it: one line per kind of part
// on the board (a value in a footprint), with the designators it stands at
// and how many one board needs. Pure: no windows, no database.

#include <string>
#include <unordered_map>
#include <vector>

namespace detalehran::bom {

struct BomLine {
    std::vector<std::string> designators;  // "R1", "R2", … in their natural order
    std::string value;                     // "4k7", "NE555"
    std::string footprint;                 // "Resistor_SMD:R_0805_2012Metric", "0805"
    std::string part_number;               // a manufacturer's number, when the file names one
    long long per_board = 0;
};

struct Bom {
    std::string name;  // the board's name: the file's name without its extension
    std::vector<BomLine> lines;
};

// A file read as a bill of materials, or why it cannot be: a Russian
// sentence that names the file and, where it helps, the line.
struct BomReading {
    Bom bom;
    std::string error;
    bool ok() const { return error.empty(); }
};

// What says that a line of one reading is the line of another: its value,
// footprint and part number (not its designators, which a new revision of
// the board may renumber). A project remembers the user's choices by it.
std::string line_key(const BomLine& line);

// The parts the user chose for lines: line key -> the item's ID. A chosen
// part comes before every found one; an empty ID says the user chose none
// ("нет на складе" though something would fit).
using Choices = std::unordered_map<std::string, std::string>;

// The line's designators as people write them: "R1, R2, R5–R8" for a run of
// numbers, "—" when there are none.
std::string designators_text(const std::vector<std::string>& designators);

}  // namespace detalehran::bom
