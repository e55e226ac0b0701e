// The audio source, from the machine's audio notices to stored rows.

#include "app/signals/AudioSignal.hpp"

#include "support/ObserverWorld.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace ostrel {
namespace {

using test::ObserverWorld;

const std::set<Signal> audioSignals{Signal::audio, Signal::audioDevices};

MachineState::AudioDevice speakers() {
    return {.id = "speakers", .name = "Speakers", .transport = AudioTransport::builtIn, .dataSource = "ispk",
            .volume = 0.4, .muted = false};
}

MachineState::AudioDevice headphones() {
    return {.id = "usb-hp", .name = "Headset", .transport = AudioTransport::usb, .dataSource = std::nullopt,
            .volume = 0.7, .muted = true};
}

const std::string speakersDevice = R"({"name":"Speakers","transport":"builtin","uid":"speakers"})";
const std::string headphonesDevice = R"({"name":"Headset","transport":"usb","uid":"usb-hp"})";
const std::string speakersAudio =
    R"(audio {"dataSource":"ispk","deviceUID":"speakers","muted":false,"name":"Speakers","transport":"builtin","volume":0.4})";

MachineState withSpeakers() {
    MachineState state = MachineState::withOwnApp();
    state.audioDevices = {speakers()};
    state.defaultOutput = "speakers";
    return state;
}

class AudioSignalTest : public ::testing::Test {
protected:
    explicit AudioSignalTest(MachineState state = withSpeakers()) : world(std::move(state)) {}

    void start() {
        world.startWriterOnly();
        signal = std::make_unique<AudioSignal>(world.machine.audio(), world.writer(), world.runtime.clock(),
                                               world.runtime.queue("Ostrel.audio"));
        signal->start();
        world.settle();
    }

    std::vector<std::string> rows() { return world.rows(audioSignals); }

    ObserverWorld world;
    std::unique_ptr<AudioSignal> signal; // destroyed before the world's writer
};

TEST_F(AudioSignalTest, StartWritesTheDevicesThenTheDefaultOutput) {
    start();
    EXPECT_EQ(rows(), (std::vector<std::string>{"audio.devices {\"devices\":[" + speakersDevice + "]}", speakersAudio}));
}

TEST_F(AudioSignalTest, PluggingHeadphonesWritesOnceAfterASecondOfQuietWithListenersOnTheHeadphones) {
    start();
    world.machine.addAudioDevice(headphones());
    world.machine.setDefaultOutput("usb-hp");
    world.time.advance(0.9);
    EXPECT_EQ(rows().size(), 2u) << "nothing before a second of quiet";

    // The listeners sit on the headphones already: their volume change restarts the wait.
    world.machine.setVolume(0.6);
    world.time.advance(0.9);
    EXPECT_EQ(rows().size(), 2u) << "the headphones' volume notice was not heard";
    world.time.advance(0.2);
    const std::vector<std::string> expected{
        "audio.devices {\"devices\":[" + speakersDevice + "]}",
        speakersAudio,
        "audio.devices {\"devices\":[" + speakersDevice + "," + headphonesDevice + "]}",
        R"(audio {"deviceUID":"usb-hp","muted":true,"name":"Headset","transport":"usb","volume":0.6})",
    };
    EXPECT_EQ(rows(), expected);

    // The speakers' listeners were removed: a change there leads to no reading at all.
    const int readings = world.machine.calls("devices");
    world.machine.setDataSource("speakers", "hdpn");
    world.time.advance(AudioSignal::debounce + 0.1);
    EXPECT_EQ(world.machine.calls("devices"), readings);
}

TEST_F(AudioSignalTest, TwentyVolumeStepsWithinASecondWriteOneRowWithTheLastVolume) {
    start();
    for (int step = 1; step <= 20; ++step) {
        world.machine.setVolume(0.4 + step * 0.02);
        world.time.advance(0.04);
    }
    world.time.advance(AudioSignal::debounce);
    const std::vector<std::string> written = rows();
    ASSERT_EQ(written.size(), 3u);
    EXPECT_EQ(written[2],
              R"(audio {"dataSource":"ispk","deviceUID":"speakers","muted":false,"name":"Speakers","transport":"builtin","volume":0.8})");
}

TEST_F(AudioSignalTest, MuteAndDataSourceChangesAreHeardAndARoundTripWritesNothing) {
    start();
    world.machine.setMuted(true);
    world.time.advance(AudioSignal::debounce + 0.1);
    world.machine.setDataSource("speakers", "hdpn");
    world.time.advance(AudioSignal::debounce + 0.1);
    world.machine.setDataSource("speakers", "ispk");
    world.machine.setMuted(false);
    world.time.advance(AudioSignal::debounce + 0.1);
    world.machine.setVolume(0.41); // rounds back to the volume last written
    world.machine.setVolume(0.4);
    world.time.advance(AudioSignal::debounce + 0.1);
    const std::vector<std::string> expected{
        "audio.devices {\"devices\":[" + speakersDevice + "]}",
        speakersAudio,
        R"(audio {"dataSource":"ispk","deviceUID":"speakers","muted":true,"name":"Speakers","transport":"builtin","volume":0.4})",
        R"(audio {"dataSource":"hdpn","deviceUID":"speakers","muted":true,"name":"Speakers","transport":"builtin","volume":0.4})",
        speakersAudio,
    };
    EXPECT_EQ(rows(), expected);
}

// What cannot be read is left out; the rest is still written.
struct Unreadable {
    std::string label;
    std::function<void(SimulatedMachine&)> arrange;
    std::vector<std::string> expected;
};

class AudioSignalUnreadableTest : public AudioSignalTest, public ::testing::WithParamInterface<Unreadable> {};

TEST_P(AudioSignalUnreadableTest, LeavesOutOnlyWhatCannotBeRead) {
    GetParam().arrange(world.machine);
    start();
    EXPECT_EQ(rows(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AudioSignalUnreadableTest,
    ::testing::Values(
        Unreadable{"VolumeFails", [](SimulatedMachine& machine) { machine.failCalls("volume"); },
                   {"audio.devices {\"devices\":[" + speakersDevice + "]}",
                    R"(audio {"dataSource":"ispk","deviceUID":"speakers","muted":false,"name":"Speakers","transport":"builtin"})"}},
        Unreadable{"MuteFails", [](SimulatedMachine& machine) { machine.failCalls("muted"); },
                   {"audio.devices {\"devices\":[" + speakersDevice + "]}",
                    R"(audio {"dataSource":"ispk","deviceUID":"speakers","name":"Speakers","transport":"builtin","volume":0.4})"}},
        Unreadable{"NoDataSourceSelector",
                   [](SimulatedMachine& machine) {
                       MachineState::AudioDevice device = speakers();
                       device.dataSource.reset();
                       device.volume.reset();
                       machine.addAudioDevice(device);
                   },
                   {"audio.devices {\"devices\":[" + speakersDevice + "]}",
                    R"(audio {"deviceUID":"speakers","muted":false,"name":"Speakers","transport":"builtin"})"}},
        Unreadable{"NameFailsGivesTheUniqueID", [](SimulatedMachine& machine) { machine.failCalls("deviceName"); },
                   {R"(audio.devices {"devices":[{"name":"speakers","transport":"builtin","uid":"speakers"}]})",
                    R"(audio {"dataSource":"ispk","deviceUID":"speakers","muted":false,"name":"speakers","transport":"builtin","volume":0.4})"}},
        Unreadable{"TransportFailsGivesOther", [](SimulatedMachine& machine) { machine.failCalls("transport"); },
                   {R"(audio.devices {"devices":[{"name":"Speakers","transport":"other","uid":"speakers"}]})",
                    R"(audio {"dataSource":"ispk","deviceUID":"speakers","muted":false,"name":"Speakers","transport":"other","volume":0.4})"}},
        Unreadable{"UniqueIDFailsDropsTheDeviceAndTheDefault",
                   [](SimulatedMachine& machine) { machine.failCalls("deviceUID"); }, {R"(audio.devices {"devices":[]})"}},
        Unreadable{"NoDefaultOutputWritesDevicesOnly",
                   [](SimulatedMachine& machine) { machine.setDefaultOutput(std::nullopt); },
                   {"audio.devices {\"devices\":[" + speakersDevice + "]}"}},
        Unreadable{"AnInputOnlyDeviceIsNotListed",
                   [](SimulatedMachine& machine) {
                       machine.addAudioDevice({.id = "mic", .name = "Microphone", .output = false});
                   },
                   {"audio.devices {\"devices\":[" + speakersDevice + "]}", speakersAudio}}),
    [](const ::testing::TestParamInfo<Unreadable>& info) { return info.param.label; });

TEST_F(AudioSignalTest, WithoutADefaultOutputVolumeChangesWriteNothingUntilOneAppears) {
    world.machine.setDefaultOutput(std::nullopt);
    start();
    world.machine.setVolume(0.9);
    world.time.advance(AudioSignal::debounce + 0.1);
    EXPECT_EQ(rows(), (std::vector<std::string>{"audio.devices {\"devices\":[" + speakersDevice + "]}"}));
    world.machine.setDefaultOutput("speakers");
    world.time.advance(AudioSignal::debounce + 0.1);
    EXPECT_EQ(rows(), (std::vector<std::string>{"audio.devices {\"devices\":[" + speakersDevice + "]}", speakersAudio}));
}

TEST_F(AudioSignalTest, DestroyingItEndsThePendingReading) {
    start();
    const int readings = world.machine.calls("devices");
    world.machine.setVolume(0.2);
    world.settle(); // the notice arrives; the reading waits
    signal.reset();
    world.time.advance(AudioSignal::debounce + 0.1);
    EXPECT_EQ(world.machine.calls("devices"), readings);
    EXPECT_EQ(rows().size(), 2u);
}

TEST(AudioSignalNamesTest, TransportsAndCodes) {
    const std::vector<std::pair<std::optional<AudioTransport>, std::string>> transports{
        {AudioTransport::builtIn, "builtin"},       {AudioTransport::airPlay, "airplay"},
        {AudioTransport::bluetooth, "bluetooth"},   {AudioTransport::bluetoothLowEnergy, "bluetooth"},
        {AudioTransport::displayPort, "displayport"}, {AudioTransport::aggregate, "aggregate"},
        {AudioTransport::hdmi, "hdmi"},             {AudioTransport::usb, "usb"},
        {AudioTransport::virtualDevice, "virtual"}, {AudioTransport::unknown, "other"},
        {std::nullopt, "other"},
    };
    for (const auto& [transport, name] : transports) {
        EXPECT_EQ(AudioSignal::transportName(transport), name);
    }
    EXPECT_EQ(AudioSignal::fourCC(0x6864706Eu), "hdpn");
    EXPECT_EQ(AudioSignal::fourCC(0xFF697370u), "\xEF\xBF\xBDisp") << "an ill-formed byte is replaced";
}

} // namespace
} // namespace ostrel
