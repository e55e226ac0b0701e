#include "core/observations/ExclusionList.hpp"

namespace ostrel {

const ExclusionList& ExclusionList::defaultList() {
    static const ExclusionList list{{
        "com.apple.MobileSMS",
        "com.apple.mail",
        "com.microsoft.Outlook",
        "com.readdle.smartemail-Mac",
        "com.apple.Passwords",
        "com.apple.keychainaccess",
        "com.1password.1password",
        "com.agilebits.onepassword7",
        "com.bitwarden.desktop",
        "com.lastpass.LastPass",
        "org.keepassxc.keepassxc",
    }};
    return list;
}

} // namespace ostrel
