#include "SimpleJsonParser.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <vector>

#include "EJsonError.h"
#include "LogSystem.h"
#include "SimpleJsonArray.h"
#include "SimpleJsonData.h"
#include "SimpleJsonObj.h"
#include "SimpleJsonText.h"

namespace {

const char* const kTag = "SJsonParser";

// Too deep a nesting: not swallowed by the skipping of failed array elements.
struct NestingTooDeep : EJsonError {};

// Leaves one nesting level when the container's parse ends, however it ends.
struct DepthGuard {
    int& depth;
    ~DepthGuard() { --depth; }
};

SimpleJsonData* valueOf(SimpleJsonData* item) { return item; }

template <typename Member>
SimpleJsonData* valueOf(const Member& member) {
    return member.value;
}

// Deletes the values a container's parse left on a shared stack, however it ends.
template <typename Entry>
struct PendingGuard {
    std::vector<Entry>& pending;
    std::size_t base;
    ~PendingGuard() {
        for (std::size_t i = base; i < pending.size(); ++i) delete valueOf(pending[i]);
        pending.resize(base);
    }
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Encodes one UTF-16 code unit as UTF-8 (a surrogate by itself).
void appendUtf8(std::string& out, unsigned unit) {
    if (unit < 0x80) {
        out += static_cast<char>(unit);
    } else if (unit < 0x800) {
        out += static_cast<char>(0xC0 | (unit >> 6));
        out += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (unit >> 12));
        out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (unit & 0x3F));
    }
}

// The integer of the scanned text [start, end) as atoll reads it (saturated when too long).
long long readInteger(const char* start, const char* end) {
    const bool negative = *start == '-';
    const char* digits = negative ? start + 1 : start;
    if (end - digits > 18) return std::strtoll(std::string(start, end).c_str(), nullptr, 10);
    long long value = 0;
    for (const char* d = digits; d < end; ++d) value = value * 10 + (*d - '0');
    return negative ? -value : value;
}

// The double of the scanned text [start, end) as atof reads it in the C locale.
double readDouble(const char* start, const char* end) {
    double value = 0;
    std::from_chars_result r = std::from_chars(start, end, value);
    if (r.ec == std::errc() && r.ptr == end) return value;
    // Out of range, or a dangling exponent mark ("1e"): the slow, lenient path.
    return jsonStrtod(std::string(start, end).c_str(), nullptr);
}

}  // namespace

SimpleJsonObj* SimpleJsonParser::parse(const char* text) {
    if (!text) throw EJsonError();
    SimpleJsonParser parser(text);
    parser.skipWhitespace();
    if (*parser.p == '{') {
        ++parser.p;
        return parser.parseObject().release();
    }
    if (*parser.p == '[') {
        ++parser.p;
        std::unique_ptr<SimpleJsonArray> array = parser.parseArray();
        std::unique_ptr<SimpleJsonObj> holder(new SimpleJsonObj());
        holder->put("data", array.release());
        return holder.release();
    }
    throw EJsonError();
}

SimpleJsonParser::SimpleJsonParser(const char* text) : p(text) {}

void SimpleJsonParser::fail(const char* message) const {
    LogSystem::e(kTag, "%s", message);
    throw EJsonError();
}

void SimpleJsonParser::skipWhitespace() {
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r') ++p;
}

void SimpleJsonParser::enter() {
    if (depth >= kMaxDepth) {
        LogSystem::e(kTag, "JSON nesting deeper than %d levels!", kMaxDepth);
        throw NestingTooDeep();
    }
    ++depth;
}

std::unique_ptr<SimpleJsonData> SimpleJsonParser::parseValue() {
    skipWhitespace();
    switch (*p) {
        case '"':
            ++p;
            return parseString();
        case '[': {
            ++p;
            std::unique_ptr<SimpleJsonArray> array = parseArray();
            auto data = std::make_unique<SimpleJsonData>(array.get());
            array.release();
            return data;
        }
        case '{': {
            ++p;
            std::unique_ptr<SimpleJsonObj> obj = parseObject();
            auto data = std::make_unique<SimpleJsonData>(obj.get());
            obj.release();
            return data;
        }
        case 't':
            return parseKeyword("true", "Data start with 't' but not \"true\"!");
        case 'f':
            return parseKeyword("false", "Data start with 'f' but not \"false\"!");
        case 'n':
            return parseKeyword("null", "Data start with 'n' but not \"null\"!");
        default:
            if (*p == '-' || isDigit(*p)) return parseNumber();
            fail("Cannot parse to get data!");
    }
}

std::unique_ptr<SimpleJsonObj> SimpleJsonParser::parseObject() {
    enter();
    DepthGuard guard{depth};
    std::unique_ptr<SimpleJsonObj> obj(new SimpleJsonObj());
    skipWhitespace();
    if (*p == '}') {
        ++p;
        return obj;
    }
    PendingGuard<PendingMember> members{pendingMembers, pendingMembers.size()};
    for (;;) {
        if (*p != '"') fail("'}' or '\"' is required to parse JSON object!");
        ++p;
        std::string_view name = parseName();
        skipWhitespace();
        if (*p != ':') fail("':' is required after name!");
        ++p;
        std::unique_ptr<SimpleJsonData> value = parseValue();
        pendingMembers.push_back({name, value.get()});
        value.release();
        skipWhitespace();
        if (*p == '}') {
            ++p;
            obj->members.reserve(pendingMembers.size() - members.base);
            for (std::size_t i = members.base; i < pendingMembers.size(); ++i) {
                SimpleJsonData* v = pendingMembers[i].value;
                pendingMembers[i].value = nullptr;
                obj->members.store(pendingMembers[i].name, v);
            }
            return obj;
        }
        if (*p != ',') fail("',' or '}' is required after data parsing!");
        ++p;
        skipWhitespace();
    }
}

std::unique_ptr<SimpleJsonArray> SimpleJsonParser::parseArray() {
    enter();
    DepthGuard guard{depth};
    std::unique_ptr<SimpleJsonArray> array(new SimpleJsonArray());
    skipWhitespace();
    if (*p == ']') {
        ++p;
        return array;
    }
    PendingGuard<SimpleJsonData*> elements{pendingItems, pendingItems.size()};
    for (;;) {
        skipWhitespace();
        const char* start = p;
        try {
            std::unique_ptr<SimpleJsonData> value = parseValue();
            pendingItems.push_back(value.get());
            value.release();
        } catch (const NestingTooDeep&) {
            throw;
        } catch (const EJsonError&) {
            // Logged already: skip the element and go on from where it began.
            p = start;
        }
        skipWhitespace();
        if (*p == ']') {
            ++p;
            array->items.assign(pendingItems.begin() + elements.base, pendingItems.end());
            pendingItems.resize(elements.base);
            return array;
        }
        if (*p != ',') fail("',' or ']' is required after data parsing!");
        ++p;
    }
}

std::string_view SimpleJsonParser::parseName() {
    const char* end = std::strchr(p, '"');
    if (!end) fail("Cann get another '\"' to parse the name!");
    std::string_view name(p, static_cast<std::size_t>(end - p));
    p = end + 1;
    return name;
}

std::unique_ptr<SimpleJsonData> SimpleJsonParser::parseString() {
    const char* run = p;
    while (*p && *p != '"' && *p != '\\') ++p;
    if (*p == '"') {
        // No escapes: the text is taken as it stands.
        std::string_view text(run, static_cast<std::size_t>(p++ - run));
        return std::unique_ptr<SimpleJsonData>(new SimpleJsonData(text));
    }
    scratch.assign(run, p);
    for (;;) {
        if (*p == '\0') fail("Cann get another '\"' to parse the data!");
        if (*p++ == '"') return std::unique_ptr<SimpleJsonData>(new SimpleJsonData(scratch));
        parseEscape(scratch);
        run = p;
        while (*p && *p != '"' && *p != '\\') ++p;
        scratch.append(run, p);
    }
}

void SimpleJsonParser::parseEscape(std::string& out) {
    char c = *p;
    switch (c) {
        case '"':
        case '/':
        case '\\':
            out += c;
            break;
        case 'b':
            out += '\b';
            break;
        case 'f':
            out += '\f';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'u': {
            unsigned unit = 0;
            for (int i = 1; i <= 4; ++i) {
                int digit = hexValue(p[i]);
                if (digit < 0) fail("Cannot parse unicode, not enough hexdecimal characters!");
                unit = unit * 16 + static_cast<unsigned>(digit);
            }
            appendUtf8(out, unit);
            p += 4;
            break;
        }
        case '\0':
            fail("Cann get another '\"' to parse string data!");
        default:
            LogSystem::e(kTag, "Illegal escape characher '%c' to parse string data", c);
            throw EJsonError();
    }
    ++p;
}

std::unique_ptr<SimpleJsonData> SimpleJsonParser::parseNumber() {
    const char* start = p;
    bool real = false;
    if (*p == '-') {
        ++p;
        if (!isDigit(*p)) fail("No digit after '-' to parse number!");
    }
    while (isDigit(*p)) ++p;
    if (*p == '.') {
        real = true;
        ++p;
        while (isDigit(*p)) ++p;
    }
    if (*p == 'e' || *p == 'E') {
        real = true;
        ++p;
        if (*p == '-') {
            ++p;
            if (!isDigit(*p)) fail("No digit after '-' for exponential to parse number!");
        }
        while (isDigit(*p)) ++p;
    }
    if (real) return std::make_unique<SimpleJsonData>(readDouble(start, p));
    return std::make_unique<SimpleJsonData>(readInteger(start, p));
}

std::unique_ptr<SimpleJsonData> SimpleJsonParser::parseKeyword(const char* word,
                                                               const char* message) {
    std::size_t length = std::strlen(word);
    if (std::strncmp(p, word, length) != 0) fail(message);
    p += length;
    if (word[0] == 'n') return std::make_unique<SimpleJsonData>();
    return std::make_unique<SimpleJsonData>(word[0] == 't');
}
