#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"

int main(int argc, char** argv) {
    try {
        return detalehran::dbtool::run_command_line(std::vector<std::string>(argv, argv + argc), std::cout, std::cerr);
    } catch (const std::exception& e) {
        // Out of memory while generating is the only way here.
        std::cerr << "detalehran-db: " << e.what() << std::endl;
        return detalehran::dbtool::kExitFailure;
    }
}
