#pragma once

#include <string>
#include <string_view>

class SimpleJsonArray;
class SimpleJsonObj;

// One JSON value: null, boolean, integer, double, string, object or array. Owns its string
// and its object or array. The getters convert where the rules allow; otherwise they log the
// reason (tag "SJsonData") and throw EJsonError. Not thread-safe (getString caches its text).
class SimpleJsonData {
  public:
    enum Type {
        TYPE_NULL = 0,
        TYPE_BOOLEAN = 1,
        TYPE_INTEGER = 2,
        TYPE_DOUBLE = 3,
        TYPE_STRING = 4,
        TYPE_OBJECT = 5,
        TYPE_ARRAY = 6
    };

    SimpleJsonData();
    explicit SimpleJsonData(bool value);
    explicit SimpleJsonData(int value);
    explicit SimpleJsonData(long long value);
    explicit SimpleJsonData(double value);
    // Copies the text; a null text makes a null value.
    explicit SimpleJsonData(const char* value);
    // Take ownership; a null pointer makes a null value.
    explicit SimpleJsonData(SimpleJsonObj* value);
    explicit SimpleJsonData(SimpleJsonArray* value);
    ~SimpleJsonData();
    SimpleJsonData(const SimpleJsonData&) = delete;
    SimpleJsonData& operator=(const SimpleJsonData&) = delete;

    int getType() const;
    bool isNull() const;
    // Booleans; integers (!= 0); the strings "true" and "false".
    bool getBoolean() const;
    // Integers cut to int; strings wholly read by strtol with base 0 (decimal, 0x hex, 0 octal).
    int getInt() const;
    // As getInt, without the cut.
    long long getLongLong() const;
    // Doubles; integers; strings wholly read by strtod.
    double getDouble() const;
    // The string; for null, boolean, integer and double a text made once and cached ("null",
    // "true"/"false", decimal, six decimals). Owned by the value. Throws for objects and arrays.
    const char* getString() const;
    // Still owned by the value.
    SimpleJsonObj* getObj() const;
    SimpleJsonArray* getArray() const;

    // Whether this value owns `container` (an object or array).
    bool holds(const void* container) const;

    // A structural deep copy (the caller deletes it); exact for every value, unlike a round
    // trip through text.
    SimpleJsonData* dup() const;

    // Serialises the value. `indent` is the current indent in blanks for the indented form;
    // `member` tells that the value follows a key (objects and arrays then open on a new line).
    void appendTo(std::string& out, bool compact, bool noEscape, int indent, bool member) const;

  private:
    friend class SimpleJsonParser;
    static const std::size_t kInlineText = 16;  // bytes, NUL included

    // A string value holding a copy of `text`.
    explicit SimpleJsonData(std::string_view text);
    void copyText(std::string_view source);

    // Logs `message` with tag "SJsonData" and throws EJsonError.
    [[noreturn]] static void fail(const char* message);
    const char* cacheText(const std::string& text) const;

    int type;
    // The string value (in `value.inlineText` when short, else malloc'd), or the cached text
    // of a scalar (malloc'd); else null.
    mutable char* text = nullptr;
    union {
        bool boolean;
        long long integer;
        double real;
        SimpleJsonObj* obj;
        SimpleJsonArray* array;
        char inlineText[kInlineText];
    } value;
};
