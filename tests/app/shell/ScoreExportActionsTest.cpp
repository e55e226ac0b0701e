// The score export's three ways out: what Copy, Save… and Email my scores do with the text, when
// they mark the scores as sent, when they beep, and the mail URL they open.

#include "app/shell/ScoreExportActions.hpp"

#include "app/shell/ScoreExportBuild.hpp"
#include "platform/Settings.hpp"
#include "platform/SettingsKeys.hpp"
#include "platform/sim/SimulatedMachine.hpp"
#include "support/TempDir.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace ostrel {
namespace {

const std::string exportText = "{\n  \"a+b\" : \"x&y=z #1\",\n  \"ü\" : 1\n}";

struct FakeClipboard final : Clipboard {
    void setText(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

struct FakePanel final : SavePanel {
    std::optional<std::filesystem::path> chooseFile() override {
        ++asked;
        return choice;
    }
    std::optional<std::filesystem::path> choice;
    int asked = 0;
};

std::string readAll(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class ScoreExportActionsTest : public ::testing::Test {
protected:
    ScoreExportActions actions() {
        return ScoreExportActions({settings, clipboard, panel,
                                   [this](const std::string& url) {
                                       urls.push_back(url);
                                       return opens;
                                   },
                                   [this] { ++beeps; }});
    }
    bool sent() const { return settings.boolean(settingsKeys::scoresSent).value_or(false); }

    test::TempDir dir;
    Settings settings{Settings::inMemory};
    FakeClipboard clipboard;
    FakePanel panel;
    std::vector<std::string> urls;
    bool opens = true;
    int beeps = 0;
};

TEST_F(ScoreExportActionsTest, CopyPutsTheTextOnTheClipboardAndMarksTheScoresAsSent) {
    EXPECT_TRUE(actions().copy(exportText));
    EXPECT_EQ(clipboard.texts, std::vector{exportText});
    EXPECT_TRUE(sent());
    EXPECT_EQ(beeps, 0);
}

TEST_F(ScoreExportActionsTest, SaveWritesTheWholeTextOverTheChosenFileAndACancelDoesNothing) {
    panel.choice = std::nullopt;
    EXPECT_FALSE(actions().save(exportText));
    EXPECT_EQ(panel.asked, 1);
    EXPECT_FALSE(sent()) << "a cancelled save marks nothing";
    EXPECT_EQ(beeps, 0);

    const auto target = dir / "Ostrel scores.json";
    std::ofstream(target) << "an older and much longer file that the export replaces entirely";
    panel.choice = target;
    EXPECT_TRUE(actions().save(exportText));
    EXPECT_EQ(readAll(target), exportText);
    EXPECT_TRUE(sent());
    // Nothing is left beside it.
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        files.push_back(entry.path().filename());
    }
    EXPECT_EQ(files, std::vector<std::filesystem::path>{"Ostrel scores.json"});
}

TEST_F(ScoreExportActionsTest, AFailedSaveBeepsLeavesTheTargetAsItWasAndMarksNothing) {
    struct Case {
        const char* name;
        std::filesystem::path target;
    };
    std::filesystem::create_directory(dir / "taken");
    std::ofstream(dir / "taken" / "inside") << "keeps the folder from being replaced";
    const Case cases[] = {
        {"missing folder", dir / "gone" / "Ostrel scores.json"},
        {"a folder in the file's place", dir / "taken"},
    };
    for (const Case& c : cases) {
        beeps = 0;
        panel.choice = c.target;
        EXPECT_FALSE(actions().save(exportText)) << c.name;
        EXPECT_EQ(beeps, 1) << c.name;
        EXPECT_FALSE(sent()) << c.name;
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken"));
    EXPECT_EQ(readAll(dir / "taken" / "inside"), "keeps the folder from being replaced");
    // No temporary file was left behind by the failed rename.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST_F(ScoreExportActionsTest, TheMailURLCarriesTheSubjectThenTheWholeTextPercentEncoded) {
    EXPECT_EQ(ScoreExportActions::mailURL("scores@example.org", exportText),
              "mailto:scores@example.org?subject=My%20Ostrel%20scores&body="
              "%7B%0A%20%20%22a%2Bb%22%20%3A%20%22x%26y%3Dz%20%231%22%2C%0A%20%20%22%C3%BC%22%20%3A%201%0A%7D");
    EXPECT_EQ(ScoreExportActions::mailURL("a b?c=d@example.org", "-._~"),
              "mailto:a%20b%3Fc%3Dd@example.org?subject=My%20Ostrel%20scores&body=-._~");
    EXPECT_EQ(ScoreExportActions::mailURL("", exportText), std::nullopt);
}

TEST_F(ScoreExportActionsTest, EmailMarksTheScoresOnlyWhenTheMailWasOpened) {
    EXPECT_FALSE(actions().email(exportText, std::nullopt));
    EXPECT_TRUE(urls.empty()) << "no recipient, nothing opened";

    opens = false;
    EXPECT_FALSE(actions().email(exportText, "scores@example.org"));
    EXPECT_EQ(urls, std::vector{*ScoreExportActions::mailURL("scores@example.org", exportText)});
    EXPECT_FALSE(sent()) << "no mail application took it";

    opens = true;
    EXPECT_TRUE(actions().email(exportText, "scores@example.org"));
    EXPECT_EQ(urls.size(), 2u);
    EXPECT_TRUE(sent());
}

TEST_F(ScoreExportActionsTest, AFailureSentenceIsCopiedSavedAndMailedButNeverMarksTheScores) {
    const auto target = dir / "failure.json";
    panel.choice = target;
    for (const std::string sentence : {ScoreExportBuild::readFailure, ScoreExportBuild::buildFailure}) {
        auto acting = actions();
        EXPECT_FALSE(acting.copy(sentence)) << sentence;
        EXPECT_EQ(clipboard.texts.back(), sentence);
        EXPECT_FALSE(acting.save(sentence)) << sentence;
        EXPECT_EQ(readAll(target), sentence);
        EXPECT_FALSE(acting.email(sentence, "scores@example.org")) << sentence;
        EXPECT_EQ(urls.back(), *ScoreExportActions::mailURL("scores@example.org", sentence));
        EXPECT_FALSE(sent()) << sentence;
    }
    EXPECT_EQ(beeps, 0);
}

TEST_F(ScoreExportActionsTest, TheWorkspaceOpenerOpensMailWhenTheDesktopHasAMailApplication) {
    MachineState state = MachineState::withOwnApp();
    SimulatedMachine without{state};
    EXPECT_FALSE(ScoreExportActions::workspaceOpener(without.workspace())("mailto:a@example.org"));

    MachineState::InstalledApp mail;
    mail.appID = "org.example.Mail";
    state.installed.push_back(mail);
    state.defaultHandlers["mailto"] = "org.example.Mail";
    SimulatedMachine with{state};
    EXPECT_TRUE(ScoreExportActions::workspaceOpener(with.workspace())("mailto:a@example.org?subject=x"));
}

} // namespace
} // namespace ostrel
