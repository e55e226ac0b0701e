#include "core/episodes/Episode.hpp"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

TEST(Episode, LayoutComparesAsADictionaryAndTextAsUnicode) {
    const Item notes = *Item::note("com.apple.Notes", "Caf\u00E9 notes");
    const Item notesDecomposed = *Item::note("com.apple.Notes", "Cafe\u0301 notes");
    const Item safari = *Item::app("com.apple.Safari");
    const WindowPayload::Frame left{0, 25, 720, 875};
    const WindowPayload::Frame right{720, 25, 720, 875};

    ostrel::Setup a;
    a.broughtUp = {notes, safari};
    a.putAway = {"com.apple.Mail"};
    a.layout.emplace(notes, left);
    a.layout.emplace(safari, right);
    a.settings = {{Setting::Volume{0.5}}, {Setting::Muted{true}}};

    ostrel::Setup b = a;
    b.broughtUp = {notesDecomposed, safari};
    b.layout.clear();
    b.layout.emplace(safari, right);
    b.layout.emplace(notesDecomposed, left);
    EXPECT_EQ(a, b);

    ostrel::Setup moved = a;
    moved.layout.at(safari) = left;
    EXPECT_NE(a, moved);
    ostrel::Setup reordered = a;
    std::swap(reordered.broughtUp[0], reordered.broughtUp[1]);
    EXPECT_NE(a, reordered);
    ostrel::Setup otherSettings = a;
    otherSettings.settings.pop_back();
    EXPECT_NE(a, otherSettings);

    Context here;
    here.network = "0123456789abcdef";
    here.displays = {"37D8832A-2D66-02CA-B9F7-8F30A301B230"};
    Context noNetwork = here;
    noNetwork.network.reset();
    EXPECT_NE(here, noNetwork);
    Context located = here;
    located.location = LocationPayload{48.8566, 2.3522, 10};
    EXPECT_NE(here, located);

    const Episode episode{Trigger{1000, Trigger::Kind::unlock}, 1000, 5000, here, a};
    Episode same{Trigger{1000, Trigger::Kind::unlock}, 1000, 5000, here, b};
    EXPECT_EQ(episode, same);
    same.trigger.kind = Trigger::Kind::wake;
    EXPECT_NE(episode, same);
}

} // namespace
} // namespace ostrel
