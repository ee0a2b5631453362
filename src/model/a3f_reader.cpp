#include "model/a3f_reader.h"

#include "app/media_path.h"
#include "app/utilities.h"
#include "platform/platform.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// The characters scanf skips as white space in the C locale.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Whether a number the float range cannot hold (the unsigned text from `p`
// to `end`, decimal or hex after "0x") is smaller than 1 rather than huge.
bool belowOne(const char* p, const char* end) {
    const bool hex = end - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
    if (hex) p += 2;
    auto isDigit = [hex](char c) {
        return hex ? std::isxdigit(static_cast<unsigned char>(c)) != 0 : c >= '0' && c <= '9';
    };
    // The value is 0.ddd x base^lead x (10 or 2)^exponent with a leading d above 0.
    long lead = 0;
    bool seenDigit = false, seenPoint = false;
    for (; p != end && (isDigit(*p) || *p == '.'); ++p) {
        if (*p == '.') {
            seenPoint = true;
        } else if (seenDigit) {
            if (!seenPoint) ++lead;
        } else if (*p != '0') {
            seenDigit = true;
            if (!seenPoint) ++lead;
        } else if (seenPoint) {
            --lead;
        }
        if (lead < -100000 || lead > 100000) break;  // far outside any float either way
    }
    long exponent = 0;
    if (p != end && (*p == 'e' || *p == 'E' || *p == 'p' || *p == 'P')) {
        ++p;
        const bool down = p != end && *p == '-';
        if (p != end && (*p == '+' || *p == '-')) ++p;
        for (; p != end && *p >= '0' && *p <= '9' && exponent < 1000000; ++p)
            exponent = exponent * 10 + (*p - '0');
        if (down) exponent = -exponent;
    }
    return (hex ? 4 * lead : lead) + exponent <= 0;
}

// Sign, then a hex float after "0x" or a decimal one, as scanf's %f takes
// them. Reads the longest prefix that is a number; `used` is its length.
bool parseFloat(std::string_view text, float& out, std::size_t& used) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    const char* p = begin;
    const bool negative = p != end && *p == '-';
    if (p != end && (*p == '+' || *p == '-')) ++p;
    if (p == end || *p == '+' || *p == '-') return false;
    float value = 0.0f;
    std::from_chars_result read{p, std::errc::invalid_argument};
    if (end - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && p[2] != '+' && p[2] != '-')
        read = std::from_chars(p + 2, end, value, std::chars_format::hex);
    if (read.ec == std::errc::invalid_argument)
        read = std::from_chars(p, end, value, std::chars_format::general);
    if (read.ec == std::errc::result_out_of_range && read.ptr != p && belowOne(p, read.ptr)) {
        value = 0.0f;  // underflow, as the C conversion reads it
    } else if (read.ec != std::errc() || !std::isfinite(value)) {
        return false;
    }
    out = negative ? -value : value;
    used = static_cast<std::size_t>(read.ptr - begin);
    return true;
}

// At most 40 characters of a token, for messages.
int shown(std::string_view t) { return static_cast<int>(t.size() < 40 ? t.size() : 40); }

}  // namespace

bool readModelFile(const char* fileName, std::vector<char>& bytes) {
    bytes.clear();
    if (!fileName) fileName = "";
    PathBuffer path;
    std::FILE* file = MediaPath(path, fileName) ? platform::OpenFileForReading(path) : nullptr;
    if (!file) {
        ShowMessage("Could not open file:", path[0] ? path : fileName);
        return false;
    }
    bool tooLarge = false;
    char chunk[1 << 16];
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, file);
        if (n > ModelFileCapacity - bytes.size()) {
            tooLarge = true;
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (n < sizeof chunk) break;
    }
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (readError) {
        ShowMessage("Could not open file:", path);
    } else if (tooLarge) {
        showBadModel(fileName, "larger than 64 MiB");
    }
    if (readError || tooLarge) {
        bytes.clear();
        return false;
    }
    return true;
}

void showBadModel(const char* fileName, const char* reason) {
    char detail[MessageCapacity];
    std::snprintf(detail, sizeof detail, "%s (%s)", fileName, reason);
    ShowMessage("Bad model:", detail);
}

std::string_view A3fReader::token() {
    while (at_ != end_ && isBlank(*at_)) ++at_;
    const char* start = at_;
    while (at_ != end_ && !isBlank(*at_)) ++at_;
    return {start, static_cast<std::size_t>(at_ - start)};
}

std::string_view A3fReader::stepOver(char brace) {
    const std::string_view read = token();
    const char* p = at_;
    while (p != end_ && isBlank(*p)) ++p;
    if (p != end_ && *p == brace) at_ = p + 1;
    return read;
}

void A3fReader::skipPastClose() {
    for (std::string_view t = token(); !t.empty() && t != "}"; t = token()) {
    }
}

bool A3fReader::next(std::string_view& t) {
    if (failed()) return false;
    t = token();
    return !t.empty() || fail("the file ends early");
}

bool A3fReader::number(float& out) {
    std::string_view t;
    if (!next(t)) return false;
    std::size_t used = 0;
    if (!parseFloat(t, out, used) || used != t.size())
        return fail("\"%.*s\" is not a number", shown(t), t.data());
    return true;
}

bool A3fReader::unsignedNumber(std::uint32_t& out) {
    std::string_view t;
    if (!next(t)) return false;
    const char* p = t.data() + (t[0] == '+' ? 1 : 0);
    const char* end = t.data() + t.size();
    const auto [stop, error] = std::from_chars(p, end, out);
    if (p == end || *p == '-' || error != std::errc() || stop != end)
        return fail("\"%.*s\" is not a count or index", shown(t), t.data());
    return true;
}

bool A3fReader::count(std::uint32_t& out, std::uint32_t tokensEach, std::uint32_t limit, const char* what) {
    if (!unsignedNumber(out)) return false;
    if (out > limit) return fail("%u %s, at most %u", out, what, limit);
    // A token takes a character and a separator, the last one no separator.
    const std::uint64_t room = (static_cast<std::uint64_t>(end_ - at_) + 1) / 2;
    if (static_cast<std::uint64_t>(out) * tokensEach > room)
        return fail("%u %s promised, the file is too short", out, what);
    return true;
}

bool A3fReader::name(char* out, std::size_t capacity, const char* what) {
    std::string_view t;
    if (!next(t)) return false;
    if (t.size() >= capacity)
        return fail("%s \"%.*s\" longer than %zu characters", what, shown(t), t.data(), capacity - 1);
    std::memcpy(out, t.data(), t.size());
    out[t.size()] = '\0';
    return true;
}

bool A3fReader::fail(const char* format, ...) {
    if (!failed()) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(failure_, sizeof failure_, format, args);
        va_end(args);
    }
    return false;
}

float leadingNumber(std::string_view t) {
    float value = 0.0f;
    std::size_t used = 0;
    return parseFloat(t, value, used) ? value : 0.0f;
}
