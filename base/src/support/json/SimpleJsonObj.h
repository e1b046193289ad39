#pragma once

#include <cstddef>
#include <string>

#include "JsonMemberTable.h"
#include "LogLevel.h"

class SimpleJsonArray;
class SimpleJsonData;
class SimpleJsonParser;

// A JSON object: NUL-terminated keys (owned copies) to owned values, in insertion order. Errors are
// logged (tag "SJsonObj", or the value's tag) and thrown as EJsonError; the getters with a default
// return it instead of throwing. Not thread-safe.
class SimpleJsonObj {
  public:
    SimpleJsonObj();
    ~SimpleJsonObj();
    SimpleJsonObj(const SimpleJsonObj&) = delete;
    SimpleJsonObj& operator=(const SimpleJsonObj&) = delete;

    bool has(const char* name) const;
    // The value, still owned by the object; throws for a missing key.
    SimpleJsonData* get(const char* name) const;
    std::size_t size() const;

    // get(name), then the value's getter.
    bool isNull(const char* name) const;
    bool getBoolean(const char* name) const;
    int getInt(const char* name) const;
    long long getLongLong(const char* name) const;
    double getDouble(const char* name) const;
    const char* getString(const char* name) const;
    SimpleJsonObj* getObj(const char* name) const;
    SimpleJsonArray* getArray(const char* name) const;

    // The default for a missing key (nothing logged) and for a value that does not convert
    // (its error still logged).
    bool getBoolean(const char* name, bool def) const;
    int getInt(const char* name, int def) const;
    long long getLongLong(const char* name, long long def) const;
    double getDouble(const char* name, double def) const;
    const char* getString(const char* name, const char* def) const;
    // Null for a missing key, else getString(name).
    const char* getStringOrNull(const char* name) const;

    // Stores `value` (ownership taken; null stores a null value) under `name`, deleting the
    // value stored there before. Putting the value already stored under `name` does nothing.
    void put(const char* name, SimpleJsonData* value);
    void putNull(const char* name);
    void put(const char* name, bool value);
    void put(const char* name, int value);
    void put(const char* name, long long value);
    void put(const char* name, double value);
    // Copies the text.
    void put(const char* name, const char* value);
    // Ownership taken; the container already stored under `name` is left as it is.
    void put(const char* name, SimpleJsonObj* value);
    void put(const char* name, SimpleJsonArray* value);
    void putStringIfNotNull(const char* name, const char* text);

    // SimpleJsonParser::parse; the caller deletes the result.
    static SimpleJsonObj* parseAndGenerate(const char* text);
    // Reads the whole file (UTF-8 path) and parses it; the caller deletes the result.
    static SimpleJsonObj* parseFileAndGenerate(const char* path);

    // The serialised object as a malloc'd text (the caller frees); compact or indented, with
    // or without escapes in strings and keys.
    char* generateString(bool compact, bool noEscape) const;
    // A structural deep copy (the caller deletes it).
    SimpleJsonObj* dup() const;
    // Logs the indented, unescaped text with `tag` at `level`.
    void dump(LogLevel level, const char* tag) const;

    // Serialises into `out`; see SimpleJsonData::appendTo.
    void appendTo(std::string& out, bool compact, bool noEscape, int indent, bool member) const;

  private:
    friend class SimpleJsonParser;
    // The value under `name`, or null.
    SimpleJsonData* find(const char* name) const;
    // Stores `value` (ownership taken) under `name`, replacing and deleting an earlier value.
    void store(const char* name, SimpleJsonData* value);

    JsonMemberTable members;
};
