#pragma once

#include "core/foundation/Json.hpp"

#include <string>
#include <vector>

namespace ostrel::test {

struct ProgramResult {
    int status = -1; // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs program with arguments (no shell involved) and collects its exit status and output.
ProgramResult runProgram(const std::string& program, const std::vector<std::string>& arguments);

// Each line of a program's output parsed as JSON, in order.
std::vector<json::Value> jsonLines(const std::string& out);

} // namespace ostrel::test
