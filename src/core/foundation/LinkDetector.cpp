#include "core/foundation/LinkDetector.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>

namespace ostrel::LinkDetector {

namespace {

// Invitations arrive from anyone, so the scan is bounded by scanLimit. Real descriptions, even HTML
// ones full of meeting boiler-plate, stay in the tens of kilobytes; 256 KB is far above them and still
// scans in a few milliseconds. Past the limit, the text is cut at the last ASCII white space at or
// before it: ASCII bytes never occur inside a UTF-8 sequence, so the cut falls between characters, and
// no link (which never holds white space) is cut in half.
std::string_view scanned(std::string_view text) {
    if (text.size() <= scanLimit) {
        return text;
    }
    for (std::size_t cut = scanLimit; cut > 0; --cut) {
        switch (text[cut]) {
        case ' ':
        case '\t':
        case '\n':
        case '\v':
        case '\f':
        case '\r':
            return text.substr(0, cut);
        default:
            break;
        }
    }
    return {};
}

bool isAsciiLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isAsciiDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Characters of a scheme after its first letter: letters, digits, "+", "." and "-".
bool isSchemeChar(char16_t c) {
    return isAsciiLetter(c) || isAsciiDigit(c) || c == u'+' || c == u'.' || c == u'-';
}

// Characters of a host name label: letters, digits and "-".
bool isLabelChar(char16_t c) {
    return isAsciiLetter(c) || isAsciiDigit(c) || c == u'-';
}

// Characters of a mail address before the "@".
bool isLocalChar(char16_t c) {
    return isAsciiLetter(c) || isAsciiDigit(c) || c == u'.' || c == u'_' || c == u'%' || c == u'+' ||
           c == u'-';
}

// What ends a URL: white space (Unicode's, so a no-break or ideographic space too), "<", ">" and '"'.
bool endsUrl(char16_t c) {
    if (c < 0x80) {
        return c == u'<' || c == u'>' || c == u'"' || c == u' ' || (c >= u'\t' && c <= u'\r');
    }
    return u_isUWhiteSpace(c);
}

// Word characters decide where a link may start or a mail address end: a link glued to the end of a
// word, ASCII or not ("cafewww.x.org", "caféwww.x.org"), is part of that word and no link.
bool isWordChar(UChar32 c) {
    if (c < 0x80) {
        return isAsciiLetter(static_cast<char16_t>(c)) || isAsciiDigit(static_cast<char16_t>(c)) || c == u'_';
    }
    return u_hasBinaryProperty(c, UCHAR_ALPHABETIC) ||
           (U_GET_GC_MASK(c) & (U_GC_M_MASK | U_GC_ND_MASK | U_GC_PC_MASK)) != 0 || c == 0x200C || c == 0x200D;
}

// Combining marks and format characters belong to the character before them: they never make or
// break a word boundary.
bool isAttached(UChar32 c) {
    if (c < 0x80) {
        return false;
    }
    return u_hasBinaryProperty(c, UCHAR_GRAPHEME_EXTEND) || u_charType(c) == U_FORMAT_CHAR;
}

// Trailing characters that end the sentence around a link rather than the link: ".", ",", ";" ...
// and a closing bracket whose opening one is not in the link. Returns the kept length.
int32_t withoutTrailingPunctuation(const char16_t* link, int32_t length) {
    constexpr std::array<std::array<char16_t, 2>, 3> brackets{{{u'(', u')'}, {u'[', u']'}, {u'{', u'}'}}};
    std::array<int32_t, 3> opened{};
    std::array<int32_t, 3> closed{};
    for (int32_t i = 0; i < length; ++i) {
        for (std::size_t b = 0; b < brackets.size(); ++b) {
            opened[b] += link[i] == brackets[b][0] ? 1 : 0;
            closed[b] += link[i] == brackets[b][1] ? 1 : 0;
        }
    }
    while (length > 0) {
        const char16_t last = link[length - 1];
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
        default:
            for (std::size_t b = 0; b < brackets.size(); ++b) {
                if (last == brackets[b][1] && opened[b] < closed[b]) {
                    drop = true;
                    --closed[b];
                }
            }
            break;
        }
        if (!drop) {
            break;
        }
        --length;
    }
    return length;
}

enum class Kind { url, www, mail };

struct Match {
    Kind kind;
    int32_t end;
};

// One forward pass over the text. At each position where a link may start (an ASCII character at a
// word boundary) it tries, in this order, a URL with "scheme://", a "www." host and a mail address,
// and takes the first that fits; the pass goes on after it. Each try looks at a run of characters
// that every later start inside the run shares (the scheme before "://", the part of a mail address
// before "@" and its domain), so a run is examined once however many word boundaries it holds: "a.a.a..."
// costs one look, not one per "a".
class Scanner {
public:
    Scanner(const char16_t* text, int32_t length) : text_(text), length_(length) {}

    std::vector<std::string> links() {
        std::vector<std::string> found;
        while (position_ < length_) {
            const int32_t start = position_;
            const char16_t c = text_[start];
            std::optional<Match> match;
            if (c < 0x80 && isWordChar(c) != previousIsWord_) {
                match = matchAt(start);
            }
            if (match) {
                add(found, *match, start);
                advanceTo(match->end);
            } else {
                advanceTo(start + 1);
            }
        }
        return found;
    }

private:
    std::optional<Match> matchAt(int32_t start) {
        if (isAsciiLetter(text_[start])) {
            if (const auto end = url(start)) {
                return Match{Kind::url, *end};
            }
            if (const auto end = www(start)) {
                return Match{Kind::www, *end};
            }
        }
        if (isLocalChar(text_[start])) {
            if (const auto end = mail(start)) {
                return Match{Kind::mail, *end};
            }
        }
        return std::nullopt;
    }

    // Moves past whole characters up to end, keeping whether the last one that counts was a word character.
    void advanceTo(int32_t end) {
        while (position_ < end) {
            UChar32 c = 0;
            U16_NEXT(text_, position_, length_, c);
            if (!isAttached(c)) {
                previousIsWord_ = isWordChar(c);
            }
        }
    }

    int32_t urlTail(int32_t from) const {
        while (from < length_ && !endsUrl(text_[from])) {
            ++from;
        }
        return from;
    }

    int32_t run(int32_t from, bool (*inRun)(char16_t)) const {
        while (from < length_ && inRun(text_[from])) {
            ++from;
        }
        return from;
    }

    bool at(int32_t i, char16_t c) const {
        return i < length_ && text_[i] == c;
    }

    // "scheme://" and at least one character of the rest. Every start inside the scheme's run ends at
    // the same place, so the run's end is kept for the starts after this one.
    std::optional<int32_t> url(int32_t start) {
        if (start >= schemeRunEnd_) {
            schemeRunEnd_ = run(start, isSchemeChar);
        }
        const int32_t colon = schemeRunEnd_;
        if (!at(colon, u':') || !at(colon + 1, u'/') || !at(colon + 2, u'/') || colon + 3 >= length_ ||
            endsUrl(text_[colon + 3])) {
            return std::nullopt;
        }
        return urlTail(colon + 3);
    }

    // "www.", a label and at least one more ".label", then maybe a path, query, fragment or port.
    // A failed try reads one label run, which no later "www." can share.
    std::optional<int32_t> www(int32_t start) const {
        for (int32_t k = 0; k < 3; ++k) {
            if (!at(start + k, u'w') && !at(start + k, u'W')) {
                return std::nullopt;
            }
        }
        if (!at(start + 3, u'.') || start + 4 >= length_ || !isLabelChar(text_[start + 4])) {
            return std::nullopt;
        }
        int32_t end = run(start + 4, isLabelChar);
        int32_t labels = 1;
        while (at(end, u'.') && end + 1 < length_ && isLabelChar(text_[end + 1])) {
            end = run(end + 1, isLabelChar);
            ++labels;
        }
        if (labels < 2) {
            return std::nullopt;
        }
        if (at(end, u'/') || at(end, u'?') || at(end, u'#') || at(end, u':')) {
            end = urlTail(end + 1);
        }
        return end;
    }

    // "local@domain", the domain's last label starting with two letters or more that end at a word
    // boundary. Every start inside the local part shares its "@" and domain, so both are kept.
    std::optional<int32_t> mail(int32_t start) {
        if (start >= localRunEnd_) {
            localRunEnd_ = run(start, isLocalChar);
        }
        const int32_t atSign = localRunEnd_;
        if (!at(atSign, u'@')) {
            return std::nullopt;
        }
        if (atSign != domainAt_) {
            domainAt_ = atSign;
            domainEnd_ = domain(atSign + 1);
        }
        return domainEnd_;
    }

    // The longest "label(.label)*.tld" from from: the last label taken is the latest one whose leading
    // letters, two or more, end at a word boundary.
    std::optional<int32_t> domain(int32_t from) {
        if (from >= length_ || !isLabelChar(text_[from])) {
            return std::nullopt;
        }
        labelStarts_.clear();
        int32_t end = run(from, isLabelChar);
        while (at(end, u'.') && end + 1 < length_ && isLabelChar(text_[end + 1])) {
            labelStarts_.push_back(end + 1);
            end = run(end + 1, isLabelChar);
        }
        for (auto label = labelStarts_.rbegin(); label != labelStarts_.rend(); ++label) {
            const int32_t lettersEnd = run(*label, isAsciiLetter);
            if (lettersEnd - *label >= 2 && endsWord(lettersEnd)) {
                return lettersEnd;
            }
        }
        return std::nullopt;
    }

    // Whether a word ends at i, the character before i being a letter.
    bool endsWord(int32_t i) const {
        if (i >= length_) {
            return true;
        }
        UChar32 c = 0;
        U16_GET(text_, 0, i, length_, c);
        return !isAttached(c) && !isWordChar(c);
    }

    void add(std::vector<std::string>& found, const Match& match, int32_t start) const {
        const int32_t length = withoutTrailingPunctuation(text_ + start, match.end - start);
        if (length == 0) {
            return;
        }
        const icu::UnicodeString link(false, text_ + start, length);
        if (match.kind == Kind::url && link.endsWith(icu::UnicodeString(u"://"))) {
            return; // a scheme with nothing after it
        }
        std::string utf8;
        if (match.kind == Kind::www) {
            utf8 = "http://";
        } else if (match.kind == Kind::mail) {
            utf8 = "mailto:";
        }
        link.toUTF8String(utf8);
        found.push_back(std::move(utf8));
    }

    const char16_t* text_;
    int32_t length_;
    int32_t position_ = 0;
    bool previousIsWord_ = false;
    int32_t schemeRunEnd_ = 0;
    int32_t localRunEnd_ = 0;
    int32_t domainAt_ = -1;
    std::optional<int32_t> domainEnd_;
    std::vector<int32_t> labelStarts_;
};

} // namespace

std::vector<std::string> links(std::string_view text) {
    text = scanned(text);
    if (text.empty()) {
        return {};
    }
    const icu::UnicodeString input =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    return Scanner(input.getBuffer(), input.length()).links();
}

} // namespace ostrel::LinkDetector
