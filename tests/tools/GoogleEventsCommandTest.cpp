#include "support/RunProgram.hpp"
#include "support/TempDir.hpp"

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using test::runProgram;

TEST(GoogleEventsCommand, PrintsConvertedEventsAndCountsTheRest) {
    test::TempDir dir;
    const std::string reply = R"({"kind":"calendar#events","items":[
        {"id":"a","iCalUID":"uid-a","recurringEventId":"s","summary":"Maths",
         "start":{"dateTime":"2026-09-07T09:30:00+02:00"},"end":{"dateTime":"2026-09-07T11:00:00+02:00"},
         "hangoutLink":"https://meet.google.com/abc-defg-hij"},
        {"id":"b","status":"cancelled","start":{"dateTime":"2026-09-07T09:30:00Z"},"end":{"dateTime":"2026-09-07T10:00:00Z"}},
        {"id":"c","summary":42},
        {"id":"d","start":{"date":"2026-09-08"},"end":{"date":"2026-09-09"}}
    ]})";
    const std::string path = dir.write("reply.json", reply);
    const auto result = runProgram(OSTREL_DEV_PATH, {"google-events", path});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "{\"calendar\":\"" + path +
                  "\",\"end\":1788771600000,\"key\":\"uid-a\",\"links\":[\"https://meet.google.com/"
                  "abc-defg-hij\"],\"occurrence\":1788766200000,\"recurring\":true,\"start\":"
                  "1788766200000,\"title\":\"Maths\"}\n");
    EXPECT_EQ(result.err, "1 converted, 1 did not decode, 2 converted to nothing\n");
}

TEST(GoogleEventsCommand, OneEventResourceAndBadFiles) {
    test::TempDir dir;
    const auto single = runProgram(
        OSTREL_DEV_PATH,
        {"google-events",
         dir.write("one.json", R"({"id":"x","start":{"dateTime":"1970-01-01T00:00:01Z"},)"
                               R"("end":{"dateTime":"1970-01-01T00:00:02Z"},"location":"Room 1"})")});
    EXPECT_EQ(single.status, 0) << single.err;
    EXPECT_NE(single.out.find("\"location\":\"Room 1\""), std::string::npos) << single.out;
    EXPECT_NE(single.out.find("\"title\":\"\""), std::string::npos) << single.out;

    for (const auto& arguments :
         {std::vector<std::string>{"google-events", (dir / "missing.json").string()},
          std::vector<std::string>{"google-events", dir.write("bad.json", "{not json")},
          std::vector<std::string>{"google-events", dir.write("items.json", R"({"items":3})")}}) {
        const auto failed = runProgram(OSTREL_DEV_PATH, arguments);
        EXPECT_EQ(failed.status, 1) << arguments[1];
        EXPECT_EQ(failed.out, "");
        EXPECT_EQ(std::count(failed.err.begin(), failed.err.end(), '\n'), 1) << failed.err;
    }
}

TEST(GoogleEventsCommand, RefusesWhatIsNotAReplyFileBeforeReadingIt) {
    // Each of these would block, never end or fill memory if the command simply read it.
    test::TempDir dir;
    const std::string fifo = (dir / "pipe").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string huge = (dir / "huge.json").string();
    std::ofstream(huge) << "{\"items\":[]}";
    ASSERT_EQ(::truncate(huge.c_str(), 1LL << 30), 0); // sparse: no disk used
    const struct {
        std::string path;
        const char* says;
    } cases[] = {
        {fifo, "not a regular file"},
        {"/dev/zero", "not a regular file"},
        {dir.path().string(), "not a regular file"},
        {huge, "larger than 64 MB"},
    };
    for (const auto& c : cases) {
        const auto result = runProgram(OSTREL_DEV_PATH, {"google-events", c.path});
        EXPECT_EQ(result.status, 1) << c.path;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "ostrel-dev google-events: cannot read " + c.path + ": " + c.says + "\n");
    }
}

} // namespace
} // namespace ostrel
