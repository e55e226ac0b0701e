#include "core/foundation/Url.hpp"

#include <algorithm>
#include <array>
#include <utility>

#include <uriparser/Uri.h>

namespace ostrel {

namespace {

struct Syntax {
    bool hasScheme = false;
    bool hasAuthority = false;
};

// uriparser validates and tells which components exist; where they start and end is then found in
// the text itself, which RFC 3986's delimiters make exact once the text is known to be valid (and
// uriparser's ranges for empty components point outside the text).
std::optional<Syntax> check(std::string_view text) {
    UriUriA uri;
    const char* errorPosition = nullptr;
    if (uriParseSingleUriExA(&uri, text.data(), text.data() + text.size(), &errorPosition) != URI_SUCCESS) {
        return std::nullopt;
    }
    const Syntax syntax{uri.scheme.first != nullptr, uri.hostText.first != nullptr};
    uriFreeUriMembersA(&uri);
    return syntax;
}

std::size_t findIn(std::string_view text, char c, std::size_t from, std::size_t to) {
    const std::size_t found = text.substr(0, to).find(c, from);
    return found == std::string_view::npos ? to : found;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

std::optional<Url> Url::parse(std::string_view text) {
    const auto syntax = check(text);
    if (!syntax) {
        return std::nullopt;
    }
    Url url;
    url.text_ = std::string(text);
    const std::string_view t = url.text_;
    const std::size_t size = t.size();

    std::size_t hierStart = 0;
    if (syntax->hasScheme) {
        url.schemeEnd_ = t.find(':');
        hierStart = url.schemeEnd_ + 1;
    }
    url.pathStart_ = hierStart;
    if (syntax->hasAuthority) {
        url.authorityStart_ = hierStart + 2; // after "//"
        const std::size_t authorityEnd = std::min(t.find_first_of("/?#", url.authorityStart_), size);
        const std::string_view authority = t.substr(0, authorityEnd);
        const std::size_t at = authority.find('@', url.authorityStart_);
        url.hostStart_ = at == std::string_view::npos ? url.authorityStart_ : at + 1;
        if (url.hostStart_ < authorityEnd && t[url.hostStart_] == '[') {
            url.hostEnd_ = findIn(t, ']', url.hostStart_, authorityEnd) + 1;
        } else {
            url.hostEnd_ = findIn(t, ':', url.hostStart_, authorityEnd);
        }
        if (url.hostEnd_ < authorityEnd && t[url.hostEnd_] == ':') {
            url.portStart_ = url.hostEnd_ + 1;
        }
        url.pathStart_ = authorityEnd;
    }
    url.pathEnd_ = std::min(t.find_first_of("?#", url.pathStart_), size);
    if (url.pathEnd_ < size && t[url.pathEnd_] == '?') {
        url.queryStart_ = url.pathEnd_ + 1;
    }
    const std::size_t hash = t.find('#', url.pathEnd_);
    if (hash != std::string_view::npos) {
        url.fragmentStart_ = hash + 1;
    }
    return url;
}

std::optional<std::string_view> Url::scheme() const {
    if (schemeEnd_ == npos) {
        return std::nullopt;
    }
    return view(0, schemeEnd_);
}

std::optional<std::string_view> Url::userInfo() const {
    if (!hasAuthority() || hostStart_ == authorityStart_) {
        return std::nullopt;
    }
    return view(authorityStart_, hostStart_ - 1);
}

std::optional<std::string_view> Url::host() const {
    if (!hasAuthority()) {
        return std::nullopt;
    }
    return view(hostStart_, hostEnd_);
}

std::optional<std::string_view> Url::port() const {
    if (portStart_ == npos) {
        return std::nullopt;
    }
    return view(portStart_, pathStart_);
}

std::optional<std::string_view> Url::query() const {
    if (queryStart_ == npos) {
        return std::nullopt;
    }
    return view(queryStart_, fragmentStart_ == npos ? text_.size() : fragmentStart_ - 1);
}

std::optional<std::string_view> Url::fragment() const {
    if (fragmentStart_ == npos) {
        return std::nullopt;
    }
    return view(fragmentStart_, text_.size());
}

std::string Url::textWithout(Omit omit) const {
    // Ranges to cut, in text order.
    std::array<std::pair<std::size_t, std::size_t>, 3> cuts{};
    std::size_t count = 0;
    if (omit.userInfo && hasAuthority() && hostStart_ > authorityStart_) {
        cuts[count++] = {authorityStart_, hostStart_};
    }
    if (omit.query && queryStart_ != npos) {
        cuts[count++] = {queryStart_ - 1, fragmentStart_ == npos ? text_.size() : fragmentStart_ - 1};
    }
    if (omit.fragment && fragmentStart_ != npos) {
        cuts[count++] = {fragmentStart_ - 1, text_.size()};
    }
    std::string result;
    result.reserve(text_.size());
    std::size_t position = 0;
    for (std::size_t i = 0; i < count; ++i) {
        result.append(text_, position, cuts[i].first - position);
        position = cuts[i].second;
    }
    result.append(text_, position, npos);
    return result;
}

std::optional<Url> Url::replacingPath(std::string_view encodedPath) const {
    std::string text = text_.substr(0, pathStart_);
    text += encodedPath;
    text.append(text_, pathEnd_, npos);
    auto replaced = parse(text);
    // A path can change how the rest reads ("//x" would become an authority, "x" would extend the
    // host): only a result with the same structure and exactly this path is that URL.
    if (!replaced || replaced->hasAuthority() != hasAuthority() || replaced->schemeEnd_ != schemeEnd_ ||
        replaced->pathStart_ != pathStart_ || replaced->path() != encodedPath) {
        return std::nullopt;
    }
    return replaced;
}

std::string percentDecode(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                result += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        result += text[i];
    }
    return result;
}

std::string percentEncode(std::string_view text, std::string_view keep) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') || c == '-' ||
            c == '.' || c == '_' || c == '~' || keep.find(c) != std::string_view::npos) {
            out += c;
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 15];
        }
    }
    return out;
}

std::string fileURL(std::string_view path) {
    return "file://" + percentEncode(path, "/");
}

} // namespace ostrel
