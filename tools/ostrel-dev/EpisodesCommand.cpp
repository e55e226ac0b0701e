#include "Commands.hpp"
#include "ModelJson.hpp"
#include "Options.hpp"
#include "core/store/Store.hpp"

#include <iostream>
#include <limits>

namespace ostrel::dev {

// Prints the episodes the store rebuilds for the triggers in [--from, --to), one JSON line each.
int episodesCommand(const Arguments& arguments) {
    const Options options("episodes", arguments, {"--tz", "--from", "--to"});
    const std::string& path = options.single("one database path");
    const Calendar calendar = options.calendar();
    const std::int64_t from = options.moment("--from", calendar).value_or(0);
    const std::int64_t to =
        options.moment("--to", calendar).value_or(std::numeric_limits<std::int64_t>::max());
    // Everything that can be checked without the file was checked first; reading never creates one.
    const auto file = options.existingFile(path);

    std::vector<Episode> episodes;
    try {
        Store store(file, Store::Access::reader);
        episodes = store.episodes(from, to);
    } catch (const std::exception& failure) {
        throw options.error("cannot read " + path + ": " + failure.what());
    }
    for (const Episode& episode : episodes) {
        std::cout << json::encode(episodeJSON(episode)) << '\n';
    }
    return 0;
}

} // namespace ostrel::dev
