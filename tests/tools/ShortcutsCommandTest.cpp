#include "core/foundation/Json.hpp"
#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::ProgramResult;
using test::runProgram;

// A fake shortcuts tool: lists B, A, an empty line and C; a run writes its arguments, each ended
// by a NUL, to "args" beside it.
class ShortcutsCommand : public ::testing::Test {
protected:
    ShortcutsCommand() {
        tool = folder.write("fake-shortcuts", "#!/bin/sh\n"
                                              "if [ \"$1\" = list ]; then printf 'B\\nA\\n\\nC\\n'; exit 0; fi\n"
                                              "printf '%s\\0' \"$@\" > '" + (folder / "args").string() + "'\n");
        std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
    }

    ProgramResult shortcuts(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), "shortcuts");
        return runProgram(OSTREL_DEV_PATH, arguments);
    }

    test::TempDir folder;
    std::string tool;
};

TEST_F(ShortcutsCommand, ListPrintsTheSortedNamesAsAJSONArray) {
    const auto result = shortcuts({"list", "--tool", tool});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "[\"A\",\"B\",\"C\"]\n");
}

TEST_F(ShortcutsCommand, RunPassesTheNameAsOneArgumentAndWaitsForTheTool) {
    const std::string name = "Focus \"Mode\" 'now'; $HOME";
    const auto result = shortcuts({"run", name, "--tool", tool});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    std::ifstream in(folder / "args", std::ios::binary);
    std::ostringstream args;
    args << in.rdbuf();
    EXPECT_EQ(args.str(), std::string("run") + '\0' + name + '\0');
}

TEST_F(ShortcutsCommand, BadInputIsOneLineOnStandardErrorAndStatusOne) {
    const std::string missing = (folder / "missing").string();
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"fly"},
        {"list", "extra", "--tool", tool},
        {"run", "--tool", tool},
        {"run", "-x", "--tool", tool},
        {"run", "", "--tool", tool},
        {"list", "--tool", missing},
        {"list", "--tool", folder.path().string()},
        {"list", "--tool"},
    };
    for (const auto& arguments : cases) {
        std::string shown;
        for (const auto& argument : arguments) {
            shown += " [" + argument + "]";
        }
        SCOPED_TRACE(shown);
        const auto result = shortcuts(arguments);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(result.err.rfind("ostrel-dev shortcuts: ", 0), 0u) << result.err;
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "args")) << "no refused name reached the tool";
}

} // namespace
} // namespace ostrel
