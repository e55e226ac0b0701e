#pragma once

// A parsed URL reference, strictly by RFC 3986 and without normalisation: every component is a view
// into the original text exactly as written (percent-escapes kept), and every rebuilt form is cut
// from that text, so nothing is re-encoded, re-cased or reordered on the way.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

class Url {
public:
    // Nothing when text is not an RFC 3986 URI reference (blanks, non-ASCII bytes, a bad
    // percent-escape, a bad IP literal ...). Relative references parse too; they have no scheme.
    static std::optional<Url> parse(std::string_view text);

    const std::string& text() const { return text_; }

    // As written, without the ":".
    std::optional<std::string_view> scheme() const;
    bool hasAuthority() const { return authorityStart_ != npos; }
    // Without the "@"; nothing when the authority has no "@" (an empty user information is "").
    std::optional<std::string_view> userInfo() const;
    // Nothing without an authority; "" for an authority with an empty host. IP literals keep their
    // brackets ("[::1]"), so the host can be written back into a URL as it is.
    std::optional<std::string_view> host() const;
    // The digits after the host's ":", as written; nothing when there is no ":".
    std::optional<std::string_view> port() const;
    // As written, percent-escapes kept; "" when the URL has no path.
    std::string_view path() const { return view(pathStart_, pathEnd_); }
    // Without the "?"/"#"; nothing when the delimiter is missing, "" when it is followed by nothing.
    std::optional<std::string_view> query() const;
    std::optional<std::string_view> fragment() const;

    struct Omit {
        bool userInfo = false; // the user information together with its "@"
        bool query = false;
        bool fragment = false;
    };
    // This URL's text with the named components cut out; all else stays as written.
    std::string textWithout(Omit omit) const;

    // This URL with its path replaced by encodedPath (written as it should appear in the text);
    // nothing when the result is no valid URL.
    std::optional<Url> replacingPath(std::string_view encodedPath) const;

private:
    static constexpr std::size_t npos = std::string::npos;

    Url() = default;
    std::string_view view(std::size_t begin, std::size_t end) const {
        return std::string_view(text_).substr(begin, end - begin);
    }

    std::string text_;
    std::size_t schemeEnd_ = npos;      // index of the scheme's ":"
    std::size_t authorityStart_ = npos; // first index after "//"
    std::size_t hostStart_ = npos;
    std::size_t hostEnd_ = npos;
    std::size_t portStart_ = npos; // first index after the port's ":"
    std::size_t pathStart_ = 0;    // also the end of the authority
    std::size_t pathEnd_ = 0;      // index of "?", "#" or the end
    std::size_t queryStart_ = npos;
    std::size_t fragmentStart_ = npos;
};

// Replaces every "%" followed by two hexadecimal digits with the byte they name; any other "%" stays.
// The result is bytes: it need not be valid UTF-8.
std::string percentDecode(std::string_view text);

// Percent-encodes every byte but ASCII letters, digits, "-", ".", "_", "~" and those in keep.
std::string percentEncode(std::string_view text, std::string_view keep = {});

// The file URL of an absolute path, as a desktop reports a window's document: "file://" and the
// path with every byte but letters, digits and "/-._~" percent-encoded.
std::string fileURL(std::string_view path);

} // namespace ostrel
