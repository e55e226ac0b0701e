#include "core/foundation/LinkDetector.hpp"

#include <memory>
#include <stdexcept>

#include <unicode/regex.h>
#include <unicode/unistr.h>

namespace ostrel::LinkDetector {

namespace {

// One pattern with three alternatives, so matches come back in text order without overlaps:
// a URL with "scheme://", a "www." host, a mail address.
constexpr const char* linkPattern = "(?i)"
                                    "(\\b[a-z][a-z0-9+.\\-]*://[^\\s<>\"]+)"
                                    "|(\\bwww\\.[a-z0-9\\-]+(?:\\.[a-z0-9\\-]+)+(?:[/?#:][^\\s<>\"]*)?)"
                                    "|(\\b[a-z0-9._%+\\-]+@[a-z0-9\\-]+(?:\\.[a-z0-9\\-]+)*\\.[a-z]{2,}\\b)";

const icu::RegexPattern& compiled() {
    static const std::unique_ptr<icu::RegexPattern> pattern = [] {
        UErrorCode status = U_ZERO_ERROR;
        UParseError parseError{};
        std::unique_ptr<icu::RegexPattern> result(
            icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(linkPattern), 0, parseError, status));
        if (U_FAILURE(status)) {
            throw std::logic_error("bad link pattern");
        }
        return result;
    }();
    return *pattern;
}

// Trailing characters that end the sentence around a link rather than the link: ".", ",", ";" ...
// and a closing bracket whose opening one is not in the link.
icu::UnicodeString withoutTrailingPunctuation(icu::UnicodeString link) {
    const auto count = [&](char16_t c) {
        int32_t n = 0;
        for (int32_t i = 0; i < link.length(); ++i) {
            n += link.charAt(i) == c ? 1 : 0;
        }
        return n;
    };
    while (!link.isEmpty()) {
        const char16_t last = link.charAt(link.length() - 1);
        bool drop = false;
        switch (last) {
        case u'.':
        case u',':
        case u';':
        case u':':
        case u'!':
        case u'?':
        case u'\'':
        case u'*':
            drop = true;
            break;
        case u')':
            drop = count(u'(') < count(u')');
            break;
        case u']':
            drop = count(u'[') < count(u']');
            break;
        case u'}':
            drop = count(u'{') < count(u'}');
            break;
        default:
            break;
        }
        if (!drop) {
            break;
        }
        link.truncate(link.length() - 1);
    }
    return link;
}

} // namespace

std::vector<std::string> links(std::string_view text) {
    std::vector<std::string> found;
    if (text.empty()) {
        return found;
    }
    const icu::UnicodeString input = icu::UnicodeString::fromUTF8(text);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(compiled().matcher(input, status));
    if (U_FAILURE(status)) {
        return found;
    }
    while (matcher->find(status) && U_SUCCESS(status)) {
        for (int group = 1; group <= 3; ++group) {
            const int32_t start = matcher->start(group, status);
            if (U_FAILURE(status) || start < 0) {
                continue;
            }
            icu::UnicodeString link = withoutTrailingPunctuation(matcher->group(group, status));
            if (U_FAILURE(status) || link.isEmpty()) {
                break;
            }
            if (group == 1 && link.endsWith(icu::UnicodeString(u"://"))) {
                break; // a scheme with nothing after it
            }
            std::string utf8;
            if (group == 2) {
                utf8 = "http://";
            } else if (group == 3) {
                utf8 = "mailto:";
            }
            link.toUTF8String(utf8);
            found.push_back(std::move(utf8));
            break;
        }
    }
    return found;
}

} // namespace ostrel::LinkDetector
