#include "app/autopilot/Sound.hpp"

#include "platform/sim/SimulatedMachine.hpp"
#include "platform/sim/VirtualTime.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace ostrel {
namespace {

using ::testing::ElementsAre;

// Speakers (audible, the default), headphones (audible) and a TV without a mute control.
class SoundTest : public ::testing::Test {
protected:
    SoundTest() {
        machine.addAudioDevice({.id = "speakers", .name = "Speakers"});
        machine.addAudioDevice({.id = "headphones", .name = "Headphones", .transport = AudioTransport::usb});
        machine.addAudioDevice({.id = "tv", .name = "TV", .transport = AudioTransport::hdmi, .muted = std::nullopt});
        machine.setDefaultOutput("speakers");
        machine.resetCalls();
    }

    // The mute of each device by id; nothing for a device without the control.
    std::map<std::string, std::optional<bool>> mutes() const {
        std::map<std::string, std::optional<bool>> result;
        for (const auto& device : machine.state().audioDevices) {
            result[device.id] = device.muted;
        }
        return result;
    }

    AudioDeviceID device(const std::string& id) {
        for (const AudioDeviceID number : machine.audio().devices()) {
            if (machine.audio().deviceUID(number) == id) {
                return number;
            }
        }
        ADD_FAILURE() << "no device " << id;
        return 0;
    }

    VirtualTime time;
    Executor& main = time.makeExecutor("main");
    SimulatedMachine machine{MachineState::withOwnApp(), &time};
    AudioSystem& audio = machine.audio();
};

TEST_F(SoundTest, MutingTheAudibleDefaultGivesItsIdAndSendsItsMuteNotice) {
    std::vector<AudioDeviceID> heard;
    const AudioDeviceID speakers = device("speakers");
    const Subscription subscription = audio.subscribe(
        speakers, AudioControl::mute, main, [&](AudioDeviceID number, AudioControl) { heard.push_back(number); });

    EXPECT_EQ(Sound::isMuted(audio), std::optional<bool>(false));
    EXPECT_EQ(Sound::mute(audio), std::optional<std::string>("speakers"));
    EXPECT_EQ(Sound::isMuted(audio), std::optional<bool>(true));
    time.settle();
    EXPECT_THAT(heard, ElementsAre(speakers));
    EXPECT_EQ(mutes().at("headphones"), std::optional<bool>(false));
}

// Whenever the mute cannot be known to be off, nothing is muted and nothing is set.
TEST_F(SoundTest, MuteLeavesTheSoundAloneUnlessTheDefaultIsKnownAudible) {
    struct Case {
        const char* name;
        std::function<void(SimulatedMachine&)> arrange;
        std::optional<bool> isMuted;
    };
    const std::vector<Case> cases = {
        {"no mute control", [](SimulatedMachine& m) { m.setDefaultOutput("tv"); }, std::nullopt},
        {"already muted", [](SimulatedMachine& m) { m.setMuted(true); }, true},
        {"no default output", [](SimulatedMachine& m) { m.setDefaultOutput(std::nullopt); }, std::nullopt},
        {"default unreadable", [](SimulatedMachine& m) { m.failCalls("defaultOutputDevice"); }, std::nullopt},
        {"mute unreadable", [](SimulatedMachine& m) { m.failCalls("muted"); }, std::nullopt},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.name);
        SimulatedMachine fresh{machine.state()};
        item.arrange(fresh);
        const auto before = fresh.state().audioDevices;
        EXPECT_EQ(Sound::isMuted(fresh.audio()), item.isMuted);
        EXPECT_EQ(Sound::mute(fresh.audio()), std::nullopt);
        EXPECT_EQ(fresh.calls("setMuted"), 0);
        EXPECT_EQ(fresh.state().audioDevices, before);
    }
}

TEST_F(SoundTest, ARefusedMuteGivesNothingToUnmuteLater) {
    machine.failCalls("setMuted", 1);
    EXPECT_EQ(Sound::mute(audio), std::nullopt);
    EXPECT_EQ(Sound::isMuted(audio), std::optional<bool>(false));
    EXPECT_EQ(machine.calls("setMuted"), 1);
}

TEST_F(SoundTest, UnmuteFindsTheMutedDeviceAfterTheDefaultMoved) {
    const auto muted = Sound::mute(audio);
    ASSERT_EQ(muted, std::optional<std::string>("speakers"));
    machine.setDefaultOutput("headphones");
    machine.setMuted(true); // the user muted the headphones themselves: not ours to undo

    Sound::unmute(audio, muted);
    EXPECT_EQ(mutes().at("speakers"), std::optional<bool>(false));
    EXPECT_EQ(mutes().at("headphones"), std::optional<bool>(true));
}

TEST_F(SoundTest, UnmuteFallsBackToTheDefaultWhenTheMutedDeviceIsGone) {
    machine.setDefaultOutput("headphones");
    const auto muted = Sound::mute(audio);
    ASSERT_EQ(muted, std::optional<std::string>("headphones"));
    machine.removeAudioDevice("headphones"); // the output falls back to the speakers
    machine.setMuted(true);
    machine.addAudioDevice({.id = "usb-headset", .name = "Headset", .muted = true});

    Sound::unmute(audio, muted);
    EXPECT_EQ(mutes().at("speakers"), std::optional<bool>(false));
    EXPECT_EQ(mutes().at("usb-headset"), std::optional<bool>(true));

    machine.setMuted(true);
    Sound::unmute(audio, std::nullopt);
    EXPECT_EQ(mutes().at("speakers"), std::optional<bool>(false)) << "without an id: the default";
}

TEST_F(SoundTest, SetMutedFailsForADeviceGoneOrWithoutMuteControl) {
    const AudioDeviceID tv = device("tv");
    const AudioDeviceID headphones = device("headphones");
    EXPECT_FALSE(audio.setMuted(tv, true));
    machine.removeAudioDevice("headphones");
    EXPECT_FALSE(audio.setMuted(headphones, true));
    EXPECT_FALSE(audio.setMuted(0, true));
    EXPECT_EQ(mutes().at("tv"), std::nullopt);
    machine.failCalls("setMuted", 1);
    EXPECT_FALSE(audio.setMuted(device("speakers"), true));
    EXPECT_TRUE(audio.setMuted(device("speakers"), true));
    EXPECT_EQ(mutes().at("speakers"), std::optional<bool>(true));
}

} // namespace
} // namespace ostrel
