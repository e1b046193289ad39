#pragma once

#include <string>
#include <vector>

class SimpleJsonData;
class SimpleJsonObj;
class SimpleJsonParser;

// A JSON array: owned values in insertion order. Index errors are logged (tag "SJasonArray")
// and thrown as EJsonError, conversion errors as for SimpleJsonData. Not thread-safe.
class SimpleJsonArray {
  public:
    SimpleJsonArray();
    ~SimpleJsonArray();
    SimpleJsonArray(const SimpleJsonArray&) = delete;
    SimpleJsonArray& operator=(const SimpleJsonArray&) = delete;

    int size() const;
    // The element, still owned by the array, after the index check.
    SimpleJsonData* get(int i) const;

    // The index check (0 <= i < size()), then the element's getter.
    bool isNull(int i) const;
    bool getBoolean(int i) const;
    int getInt(int i) const;
    long long getLongLong(int i) const;
    double getDouble(int i) const;
    const char* getString(int i) const;
    SimpleJsonObj* getObj(int i) const;
    SimpleJsonArray* getArray(int i) const;

    // Appends `value` (ownership taken; null appends a null value) unless that very pointer
    // is already an element. The check scans the array.
    void add(SimpleJsonData* value);
    void addNull();
    void add(bool value);
    void add(int value);
    void add(long long value);
    void add(double value);
    // Copies the text.
    void add(const char* value);
    // Ownership taken.
    void add(SimpleJsonObj* value);
    void add(SimpleJsonArray* value);

    // As SimpleJsonObj::generateString: a malloc'd text, the caller frees.
    char* generateString(bool compact, bool noEscape) const;
    // A structural deep copy (the caller deletes it).
    SimpleJsonArray* dup() const;
    // Serialises into `out`; see SimpleJsonData::appendTo.
    void appendTo(std::string& out, bool compact, bool noEscape, int indent, bool member) const;

  private:
    friend class SimpleJsonParser;
    // Appends a value known not to be in the array yet (ownership taken).
    void append(SimpleJsonData* value);
    // Logs and throws unless 0 <= i < size().
    void ndxCheck(int i) const;

    std::vector<SimpleJsonData*> items;
};
