#include "SimpleJsonText.h"

#include <locale.h>
#include <charconv>
#include <cstdlib>
#include <cstring>
#ifdef __APPLE__
#include <xlocale.h>
#endif

void appendJsonDouble(std::string& out, double value) {
    // Fixed notation needs at most 309 integer digits, a sign, a point and six decimals.
    char buffer[330];
    std::to_chars_result r =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    out.append(buffer, r.ptr);
}

double jsonStrtod(const char* text, char** end) {
    static const locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
    return strtod_l(text, end, cLocale);
}

void appendJsonQuoted(std::string& out, const char* text, bool noEscape) {
    out += '"';
    if (noEscape) {
        out += text;
        out += '"';
        return;
    }
    for (const char* p = text; *p; ++p) {
        switch (*p) {
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                out += *p;
                break;
        }
    }
    out += '"';
}

void appendJsonIndent(std::string& out, int count) {
    out.append(static_cast<std::size_t>(count), ' ');
}

char* dupJsonText(const std::string& text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy) std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}
