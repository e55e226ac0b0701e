#include "ui/theme/Fonts.hpp"

#include <QFontInfo>

#include <gtest/gtest.h>

namespace ostrel::ui {
namespace {

TEST(FontsTest, EveryWeightResolvesToTheBundledFaceItMapsTo) {
    struct Case {
        Fonts::Weight weight;
        const char* face;
    };
    for (const Case& c : {Case{Fonts::Weight::regular, "Regular"}, Case{Fonts::Weight::medium, "Medium"},
                          Case{Fonts::Weight::semibold, "Bold"}, Case{Fonts::Weight::bold, "Bold"},
                          Case{Fonts::Weight::black, "Bold"}}) {
        SCOPED_TRACE(c.face);
        EXPECT_EQ(Fonts::faceName(c.weight), c.face);
        const QFontInfo info(Fonts::font(16, c.weight));
        // The Medium face names itself as a family of its own, style Regular.
        EXPECT_EQ(info.family() + " " + info.styleName(),
                  c.weight == Fonts::Weight::medium ? QString("Quicksand Medium Regular") : "Quicksand " + QString(c.face));
        EXPECT_EQ(info.pixelSize(), 16);
    }
}

} // namespace
} // namespace ostrel::ui
