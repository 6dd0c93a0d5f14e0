#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "db/failure_text.h"

int main(int argc, char** argv) {
    try {
        return detalehran::dbtool::run_command_line(std::vector<std::string>(argv, argv + argc), std::cout, std::cerr);
    } catch (...) {
        return detalehran::dbtool::report_failure(std::cerr, detalehran::db::exception_text(std::current_exception()));
    }
}
