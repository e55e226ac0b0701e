#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace ostrel {

// Applications whose activity is never recorded in detail: their app events are recorded as
// AppPayload::excludedApp, and they are left out of snapshots, window watching and drafts. The
// callers apply the list; identifiers match exactly, case included.
struct ExclusionList {
    std::set<std::string, std::less<>> bundleIDs;

    // True only when a bundle identifier is given and it is on the list.
    bool contains(std::optional<std::string_view> bundleID) const {
        return bundleID && bundleIDs.find(*bundleID) != bundleIDs.end();
    }

    // Messaging, mail and password managers.
    static const ExclusionList& defaultList();

    friend bool operator==(const ExclusionList&, const ExclusionList&) = default;
};

} // namespace ostrel
