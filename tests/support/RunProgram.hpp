#pragma once

#include "core/foundation/Json.hpp"

#include <string>
#include <vector>

#include <gtest/gtest.h>

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

// Whether an ostrel-dev command refused as every command does: exit status 1, nothing on stdout,
// one stderr line starting "ostrel-dev COMMAND: " that names said.
::testing::AssertionResult refusedInOneLine(const ProgramResult& result, const std::string& command,
                                            const std::string& said);

} // namespace ostrel::test
