#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class SimpleJsonArray;
class SimpleJsonData;
class SimpleJsonObj;

// Recursive-descent JSON parser. Errors are logged with tag "SJsonParser" and thrown as
// EJsonError; everything built on the failing path is deleted. Quirks kept on purpose: a
// failing array element is logged and skipped, so [1,] and [,1] hold one element; keywords
// and numbers end wherever their own characters end; text after the document is not read.
//
// Steps of parse():
//   1. skip whitespace (tab, line feed, carriage return, blank);
//   2. '{' parses an object; '[' parses an array, returned under the key "data" of a new
//      object; anything else fails without a log line;
//   3. containers nest at most kMaxDepth deep; deeper input fails at once.
class SimpleJsonParser {
  public:
    static const int kMaxDepth = 1000;

    // A new object (the caller deletes it); throws EJsonError.
    static SimpleJsonObj* parse(const char* text);

  private:
    explicit SimpleJsonParser(const char* text);

    [[noreturn]] void fail(const char* message) const;
    void skipWhitespace();
    void enter();

    // Each starts at its first character (after the opening bracket or quote where said).
    std::unique_ptr<SimpleJsonData> parseValue();
    std::unique_ptr<SimpleJsonObj> parseObject();   // after '{'
    std::unique_ptr<SimpleJsonArray> parseArray();  // after '['
    std::string_view parseName();                   // after '"'; points into the text
    std::unique_ptr<SimpleJsonData> parseString();  // after '"'
    void parseEscape(std::string& out);             // after '\'
    std::unique_ptr<SimpleJsonData> parseNumber();
    std::unique_ptr<SimpleJsonData> parseKeyword(const char* word, const char* message);

    // A parsed member waiting for its object to end; the name points into the text.
    struct PendingMember {
        std::string_view name;
        SimpleJsonData* value;  // owned
    };

    const char* p;
    int depth = 0;
    // Parsed elements of the open arrays and members of the open objects, innermost last, so
    // each container allocates once, at its end.
    std::vector<SimpleJsonData*> pendingItems;
    std::vector<PendingMember> pendingMembers;
    // The unescaped text of a string with escapes.
    std::string scratch;
};
