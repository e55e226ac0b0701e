// Item and context-key ids. An id that parses writes back to text that parses to the same value,
// and that text is stable. A value built from fuzzed fields whose id parses reads back equal, and
// one with no empty text part always parses. Equality, order and hash agree.

#include "FuzzCheck.hpp"

#include "core/episodes/Item.hpp"
#include "core/learning/ContextKey.hpp"

#include <fuzzer/FuzzedDataProvider.h>

using namespace ostrel;

namespace {

template <class T>
void checkConsistent(const T& a, const T& b) {
    FUZZ_REQUIRE((a == b) == ((a <=> b) == 0));
    FUZZ_REQUIRE((a <=> b) == 0 || (a <=> b) == (0 <=> (b <=> a)));
    if (a == b) {
        FUZZ_REQUIRE(a.hash() == b.hash());
    }
}

template <class T>
void checkParsed(const std::optional<T>& parsed) {
    if (!parsed) {
        return;
    }
    const std::string id = parsed->id();
    const std::optional<T> again = T::fromId(id);
    FUZZ_REQUIRE(again.has_value());
    FUZZ_REQUIRE(*again == *parsed);
    FUZZ_REQUIRE(again->id() == id);
    checkConsistent(*again, *parsed);
}

template <class T>
void checkBuilt(const T& built, bool hasEmptyPart) {
    const std::optional<T> parsed = T::fromId(built.id());
    FUZZ_REQUIRE(parsed.has_value() || hasEmptyPart);
    if (parsed) {
        FUZZ_REQUIRE(*parsed == built);
        checkConsistent(*parsed, built);
    }
}

std::optional<Item> buildItem(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return Item::app(input.ConsumeRandomLengthString(64));
    case 1:
        return Item::document(input.ConsumeRandomLengthString(64));
    case 2: {
        std::string app = input.ConsumeRandomLengthString(32);
        return Item::note(std::move(app), input.ConsumeRandomLengthString(64));
    }
    default:
        return Item::page(input.ConsumeRandomLengthString(64));
    }
}

ContextKey buildKey(FuzzedDataProvider& input, bool& hasEmptyPart) {
    ContextKey key;
    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:
        key = ContextKey::event(input.ConsumeRandomLengthString(64));
        break;
    case 1:
        key = ContextKey::title(input.ConsumeRandomLengthString(64));
        break;
    case 2: {
        const auto weekday = input.ConsumeIntegral<std::int64_t>();
        const auto halfHour = input.ConsumeIntegral<std::int64_t>();
        key = ContextKey::slot(weekday, halfHour, input.ConsumeRandomLengthString(64));
        break;
    }
    default:
        key = ContextKey::made(input.ConsumeRandomLengthString(64));
    }
    hasEmptyPart = std::visit(
        [](const auto& value) {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, ContextKey::Event>) {
                return value.seriesKey.empty();
            } else if constexpr (std::is_same_v<T, ContextKey::Title>) {
                return value.title.empty();
            } else if constexpr (std::is_same_v<T, ContextKey::Slot>) {
                return value.place.empty();
            } else {
                return value.identifier.empty();
            }
        },
        key.value);
    return key;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The whole input as an id of either kind.
    const std::string_view text = fuzz::asText(data, size);
    checkParsed(Item::fromId(text));
    checkParsed(ContextKey::fromId(text));

    // Values built from fuzzed fields, compared with each other and read back from their ids.
    FuzzedDataProvider input(data, size);
    const std::optional<Item> firstItem = buildItem(input);
    const std::optional<Item> secondItem = buildItem(input);
    // The factories refuse exactly what would not read back: whatever they make must.
    if (firstItem) {
        checkBuilt(*firstItem, false);
    }
    if (firstItem && secondItem) {
        checkConsistent(*firstItem, *secondItem);
    }
    bool firstEmpty = false;
    bool secondEmpty = false;
    const ContextKey firstKey = buildKey(input, firstEmpty);
    const ContextKey secondKey = buildKey(input, secondEmpty);
    checkBuilt(firstKey, firstEmpty);
    checkBuilt(secondKey, secondEmpty);
    checkConsistent(firstKey, secondKey);
    return 0;
}
