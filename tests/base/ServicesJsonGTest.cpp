// JSON model: parse and error table, getters and defaults, byte-exact serialisation, copies.
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "EJsonError.h"
#include "LogCapture.h"
#include "SimpleJsonArray.h"
#include "SimpleJsonData.h"
#include "SimpleJsonObj.h"
#include "SimpleJsonParser.h"
#include "TestEnv.h"

namespace {

using Lines = std::vector<std::string>;

struct FreeText {
    void operator()(char* p) const { std::free(p); }
};
using Text = std::unique_ptr<char, FreeText>;

std::string compact(const SimpleJsonObj& obj) {
    return Text(obj.generateString(true, false)).get();
}

std::string indented(const SimpleJsonObj& obj) {
    return Text(obj.generateString(false, false)).get();
}

class Json : public testing::Test {
  protected:
    void SetUp() override { log().take(); }
    static LogCapture& log() { return LogCapture::install(); }
};

// ---- parsing ---------------------------------------------------------------------------

struct ParseCase {
    const char* input;
    const char* compact;  // expected compact text of the result
    Lines log;            // expected log lines on the way
};

const std::string P = "SJsonParser: ";

const ParseCase kParseCases[] = {
    {"  [1, 2]", "{\"data\":[1,2]}", {}},
    {"{\"a\":1.5e2}", "{\"a\":150.000000}", {}},
    {"{\"a\":1.}", "{\"a\":1.000000}", {}},
    {"{\"a\":-0.25}", "{\"a\":-0.250000}", {}},
    {"{\"a\":1e-2}", "{\"a\":0.010000}", {}},
    {"{\"a\":2E3}", "{\"a\":2000.000000}", {}},
    {"{\"a\":1e}", "{\"a\":1.000000}", {}},
    {"{\"a\":-7}", "{\"a\":-7}", {}},
    {"{\"a\":007}", "{\"a\":7}", {}},
    {"{\"a\":5000000000}", "{\"a\":5000000000}", {}},
    {"{\"n\":null}", "{\"n\":null}", {}},
    {"{\"t\":true}", "{\"t\":true}", {}},
    {"{\"f\":false}", "{\"f\":false}", {}},
    {"{\"a\":[ ]}", "{\"a\":[]}", {}},
    {"{\"a\":{ }}", "{\"a\":{}}", {}},
    {"{ }", "{}", {}},
    {"[]", "{\"data\":[]}", {}},
    {"{\"a\":1,\"a\":2}", "{\"a\":2}", {}},
    {"{\"a\":1} trailing text", "{\"a\":1}", {}},
    {"\t\r\n {\n\"a\"\t:\r1 }", "{\"a\":1}", {}},
    {"{\"a\":\"\\u00e9\"}", "{\"a\":\"\xC3\xA9\"}", {}},
    {"{\"a\":\"\\u20AC\"}", "{\"a\":\"\xE2\x82\xAC\"}", {}},
    {"{\"a\":\"\\ud83d\"}", "{\"a\":\"\xED\xA0\xBD\"}", {}},
    {"{\"a\":\"x\\/y\\\\z\\\"\\b\\f\\n\\r\\t\"}", "{\"a\":\"x/y\\\\z\\\"\\b\\f\\n\\r\\t\"}", {}},
    {"{\"a b\":\"\\u0041\"}", "{\"a b\":\"A\"}", {}},
    // Failed array elements are logged and skipped.
    {"[1,]", "{\"data\":[1]}", {P + "Cannot parse to get data!"}},
    {"[,1]", "{\"data\":[1]}", {P + "Cannot parse to get data!"}},
    {"[1,,2]", "{\"data\":[1,2]}", {P + "Cannot parse to get data!"}},
};

TEST_F(Json, ParsesTheTableOfDocuments) {
    for (const ParseCase& c : kParseCases) {
        SCOPED_TRACE(c.input);
        std::unique_ptr<SimpleJsonObj> obj;
        ASSERT_NO_THROW(obj.reset(SimpleJsonParser::parse(c.input)));
        ASSERT_TRUE(obj);
        EXPECT_EQ(c.compact, compact(*obj));
        EXPECT_EQ(c.log, log().take());
    }
}

struct ErrorCase {
    const char* input;
    Lines log;  // every line logged before the throw
};

const ErrorCase kErrorCases[] = {
    {"", {}},
    {"   ", {}},
    {"x{}", {}},
    {"\"a\"", {}},
    {"{", {P + "'}' or '\"' is required to parse JSON object!"}},
    {"{a:1}", {P + "'}' or '\"' is required to parse JSON object!"}},
    {"{\"a\":1,}", {P + "'}' or '\"' is required to parse JSON object!"}},
    {"{\"a\":1, 2}", {P + "'}' or '\"' is required to parse JSON object!"}},
    {"{\"a\" 1}", {P + "':' is required after name!"}},
    // Names take no escapes: the name ends at the backslash's quote.
    {"{\"a\\\"b\":1}", {P + "':' is required after name!"}},
    {"{\"a\":1 \"b\":2}", {P + "',' or '}' is required after data parsing!"}},
    {"{\"a\":1e+5}", {P + "',' or '}' is required after data parsing!"}},
    // Keywords end after their letters.
    {"{\"a\":truex}", {P + "',' or '}' is required after data parsing!"}},
    {"[truex]", {P + "',' or ']' is required after data parsing!"}},
    {"{\"a", {P + "Cann get another '\"' to parse the name!"}},
    {"{\"a\":\"x", {P + "Cann get another '\"' to parse the data!"}},
    {"{\"a\":\"x\\", {P + "Cann get another '\"' to parse string data!"}},
    {"{\"a\":\"\\q\"}", {P + "Illegal escape characher 'q' to parse string data"}},
    {"{\"a\":\"\\u12g4\"}", {P + "Cannot parse unicode, not enough hexdecimal characters!"}},
    {"{\"a\":\"\\u12\"}", {P + "Cannot parse unicode, not enough hexdecimal characters!"}},
    {"{\"a\":-}", {P + "No digit after '-' to parse number!"}},
    {"{\"a\":-x}", {P + "No digit after '-' to parse number!"}},
    {"{\"a\":1e-}", {P + "No digit after '-' for exponential to parse number!"}},
    {"{\"a\":tru}", {P + "Data start with 't' but not \"true\"!"}},
    {"{\"a\":fals}", {P + "Data start with 'f' but not \"false\"!"}},
    {"{\"a\":nul}", {P + "Data start with 'n' but not \"null\"!"}},
    {"{\"a\":x}", {P + "Cannot parse to get data!"}},
    {"{\"a\":}", {P + "Cannot parse to get data!"}},
    {"[1 2]", {P + "',' or ']' is required after data parsing!"}},
    {"[1", {P + "',' or ']' is required after data parsing!"}},
    // The skipped element leaves the scan on a character that cannot follow an element.
    {"[x]", {P + "Cannot parse to get data!", P + "',' or ']' is required after data parsing!"}},
    {"{\"a\":[}",
     {P + "Cannot parse to get data!", P + "',' or ']' is required after data parsing!"}},
};

TEST_F(Json, ReportsTheTableOfErrors) {
    for (const ErrorCase& c : kErrorCases) {
        SCOPED_TRACE(c.input);
        EXPECT_THROW(delete SimpleJsonParser::parse(c.input), EJsonError);
        EXPECT_EQ(c.log, log().take());
    }
}

TEST_F(Json, NullTextThrowsWithoutLog) {
    EXPECT_THROW(SimpleJsonParser::parse(nullptr), EJsonError);
    EXPECT_TRUE(log().take().empty());
}

TEST_F(Json, ThrownErrorsSayGeneralJsonErrorThroughTheStandardBase) {
    // Callers catch std::exception: the text must come through its virtual what().
    std::unique_ptr<SimpleJsonObj> obj(SimpleJsonParser::parse("{\"b\":true,\"a\":[1]}"));
    const struct {
        const char* name;
        std::function<void()> call;
    } failing[] = {
        {"parse", [] { delete SimpleJsonParser::parse("{\"a\":}"); }},
        {"conversion", [&] { obj->getInt("b"); }},
        {"missing key", [&] { obj->get("missing"); }},
        {"array index", [&] { obj->getArray("a")->getInt(1); }},
    };
    for (const auto& c : failing) {
        SCOPED_TRACE(c.name);
        try {
            c.call();
            ADD_FAILURE() << "nothing thrown";
        } catch (const std::exception& error) {
            EXPECT_STREQ("General JSON error", error.what());
        }
        EXPECT_EQ(1u, log().take().size());
    }
}

std::string nested(int depth, char open, char close) {
    return std::string(static_cast<std::size_t>(depth), open) +
           std::string(static_cast<std::size_t>(depth), close);
}

std::string nestedObjects(int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "{\"a\":";
    text += "1";
    for (int i = 0; i < depth; ++i) text += "}";
    return text;
}

TEST_F(Json, NestingUpToTheLimitParses) {
    std::unique_ptr<SimpleJsonObj> arrays(SimpleJsonParser::parse(nested(1000, '[', ']').c_str()));
    EXPECT_EQ(1, arrays->getArray("data")->size());
    std::unique_ptr<SimpleJsonObj> objects(SimpleJsonParser::parse(nestedObjects(1000).c_str()));
    EXPECT_TRUE(objects->has("a"));
    EXPECT_TRUE(log().take().empty());
}

TEST_F(Json, NestingBeyondTheLimitLogsOnceAndThrows) {
    const Lines tooDeep = {P + "JSON nesting deeper than 1000 levels!"};
    for (const std::string& text : {nested(1001, '[', ']'), nestedObjects(1001),
                                    nested(200000, '[', ']'), std::string(300000, '[')}) {
        EXPECT_THROW(SimpleJsonParser::parse(text.c_str()), EJsonError);
        EXPECT_EQ(tooDeep, log().take());
    }
}

// ---- getters ---------------------------------------------------------------------------

struct GetterCase {
    const char* value;   // JSON text of the value
    const char* getter;  // bool, int, longlong, double, string, obj, array
    const char* expect;  // the answer as text, or "!" and the logged error
};

const GetterCase kGetterCases[] = {
    {"true", "bool", "true"},
    {"0", "bool", "false"},
    {"7", "bool", "true"},
    {"\"true\"", "bool", "true"},
    {"\"false\"", "bool", "false"},
    {"\"yes\"", "bool", "!The JSON string cannot be converted to boolean!"},
    {"1.5", "bool", "!The JSON data cannot be converted to boolean!"},
    {"null", "bool", "!The JSON data cannot be converted to boolean!"},
    {"5", "int", "5"},
    {"5000000000", "int", "705032704"},
    {"\"0x10\"", "int", "16"},
    {"\"010\"", "int", "8"},
    {"\"-42\"", "int", "-42"},
    {"\"12x\"", "int", "!The JSON string cannot be converted to int!"},
    {"\"\"", "int", "!The JSON string cannot be converted to int!"},
    {"1.5", "int", "!The JSON data cannot be converted to int!"},
    {"true", "int", "!The JSON data cannot be converted to int!"},
    {"\"5000000000\"", "longlong", "5000000000"},
    {"-9", "longlong", "-9"},
    {"2.0", "longlong", "!The JSON data cannot be converted to int!"},
    {"\"1e3\"", "longlong", "!The JSON string cannot be converted to int!"},
    {"1.5", "double", "1.500000"},
    {"3", "double", "3.000000"},
    {"\"2.5e1\"", "double", "25.000000"},
    {"\"2.5x\"", "double", "!The JSON string cannot be converted to double!"},
    {"false", "double", "!The JSON data cannot be converted to double!"},
    {"0.5", "string", "0.500000"},
    {"null", "string", "null"},
    {"true", "string", "true"},
    {"-12", "string", "-12"},
    {"\"hi\"", "string", "hi"},
    {"{}", "string", "!The JSON data cannot be converted to string!"},
    {"[]", "string", "!The JSON data cannot be converted to string!"},
    {"1", "obj", "!The JSON data is not a JSON object!"},
    {"[]", "obj", "!The JSON data is not a JSON object!"},
    {"1", "array", "!The JSON data is not a JSON array!"},
    {"{}", "array", "!The JSON data is not a JSON array!"},
};

std::string callGetter(const SimpleJsonObj& obj, const std::string& getter) {
    if (getter == "bool") return obj.getBoolean("v") ? "true" : "false";
    if (getter == "int") return std::to_string(obj.getInt("v"));
    if (getter == "longlong") return std::to_string(obj.getLongLong("v"));
    if (getter == "double") return std::to_string(obj.getDouble("v"));
    if (getter == "string") return obj.getString("v");
    if (getter == "obj") return obj.getObj("v") ? "object" : "null";
    return obj.getArray("v") ? "array" : "null";
}

TEST_F(Json, GettersConvertOrLogAndThrow) {
    for (const GetterCase& c : kGetterCases) {
        SCOPED_TRACE(std::string(c.getter) + " of " + c.value);
        std::unique_ptr<SimpleJsonObj> obj(
            SimpleJsonParser::parse((std::string("{\"v\":") + c.value + "}").c_str()));
        std::string expect = c.expect;
        if (expect[0] == '!') {
            EXPECT_THROW(callGetter(*obj, c.getter), EJsonError);
            EXPECT_EQ(Lines{"SJsonData: " + expect.substr(1)}, log().take());
        } else {
            EXPECT_EQ(expect, callGetter(*obj, c.getter));
            EXPECT_TRUE(log().take().empty());
        }
    }
}

TEST_F(Json, StringOfAScalarIsCachedInTheValue) {
    SimpleJsonData value(0.5);
    const char* first = value.getString();
    EXPECT_STREQ("0.500000", first);
    EXPECT_EQ(first, value.getString());
}

TEST_F(Json, DefaultsForMissingKeysLogNothing) {
    SimpleJsonObj obj;
    EXPECT_EQ(7, obj.getInt("missing", 7));
    EXPECT_EQ(8LL, obj.getLongLong("missing", 8LL));
    EXPECT_TRUE(obj.getBoolean("missing", true));
    EXPECT_EQ(2.5, obj.getDouble("missing", 2.5));
    EXPECT_STREQ("dflt", obj.getString("missing", "dflt"));
    EXPECT_EQ(nullptr, obj.getStringOrNull("missing"));
    EXPECT_FALSE(obj.has("missing"));
    EXPECT_TRUE(log().take().empty());
}

TEST_F(Json, DefaultsForWrongTypesLogTheConversionError) {
    SimpleJsonObj obj;
    obj.put("b", true);
    obj.put("o", new SimpleJsonObj());
    EXPECT_EQ(7, obj.getInt("b", 7));
    EXPECT_EQ(Lines{"SJsonData: The JSON data cannot be converted to int!"}, log().take());
    EXPECT_STREQ("dflt", obj.getString("o", "dflt"));
    EXPECT_EQ(Lines{"SJsonData: The JSON data cannot be converted to string!"}, log().take());
    EXPECT_STREQ("true", obj.getStringOrNull("b"));
    EXPECT_THROW(obj.getStringOrNull("o"), EJsonError);
    log().take();
}

TEST_F(Json, MissingKeyWithoutDefaultLogsAndThrows) {
    SimpleJsonObj obj;
    EXPECT_THROW(obj.getInt("zz"), EJsonError);
    EXPECT_EQ(Lines{"SJsonObj: Cannot get data with the name \"zz\"!"}, log().take());
}

TEST_F(Json, ArrayIndexCheck) {
    std::unique_ptr<SimpleJsonObj> obj(SimpleJsonParser::parse("[10, \"x\"]"));
    SimpleJsonArray* array = obj->getArray("data");
    EXPECT_EQ(10, array->getInt(0));
    EXPECT_STREQ("x", array->getString(1));
    for (int i : {2, -1}) {
        EXPECT_THROW(array->getInt(i), EJsonError);
        EXPECT_EQ(Lines{"SJasonArray: ndx(" + std::to_string(i) +
                        ") is not valid, the size of the JSON array is 2!"},
                  log().take());
    }
}

// ---- serialisation ---------------------------------------------------------------------

TEST_F(Json, EmptyContainersInBothForms) {
    SimpleJsonObj obj;
    SimpleJsonArray array;
    EXPECT_EQ("{}", compact(obj));
    EXPECT_STREQ("[]", Text(array.generateString(true, false)).get());
    EXPECT_EQ("{\n}", indented(obj));
    EXPECT_STREQ("[\n]", Text(array.generateString(false, false)).get());
}

// {"a":{"b":[1,{"c":"x"},[],{}]}} built by hand.
std::unique_ptr<SimpleJsonObj> nestedDocument() {
    auto inner = new SimpleJsonObj();
    inner->put("c", "x");
    auto list = new SimpleJsonArray();
    list->add(1);
    list->add(inner);
    list->add(new SimpleJsonArray());
    list->add(new SimpleJsonObj());
    auto middle = new SimpleJsonObj();
    middle->put("b", list);
    std::unique_ptr<SimpleJsonObj> top(new SimpleJsonObj());
    top->put("a", middle);
    return top;
}

TEST_F(Json, CompactFormIsByteExact) {
    EXPECT_EQ("{\"a\":{\"b\":[1,{\"c\":\"x\"},[],{}]}}", compact(*nestedDocument()));
}

TEST_F(Json, IndentedFormIsByteExact) {
    const char* expected =
        "{\n"
        "    \"a\": \n"
        "    {\n"
        "        \"b\": \n"
        "        [\n"
        "            1,\n"
        "            {\n"
        "                \"c\": \"x\"\n"
        "            },\n"
        "            [\n"
        "            ],\n"
        "            {\n"
        "            }\n"
        "        ]\n"
        "    }\n"
        "}";
    EXPECT_EQ(expected, indented(*nestedDocument()));
}

TEST_F(Json, TopLevelArrayIndented) {
    SimpleJsonArray array;
    array.add(1.5);
    array.addNull();
    array.add(false);
    array.add(-3LL);
    EXPECT_STREQ("[\n    1.500000,\n    null,\n    false,\n    -3\n]",
                 Text(array.generateString(false, false)).get());
}

TEST_F(Json, EscapesUnlessTheNoEscapeFlagIsSet) {
    SimpleJsonObj obj;
    obj.put("k\"\t", "q\"\\\n\b\f\r/\x01");
    EXPECT_EQ("{\"k\\\"\\t\":\"q\\\"\\\\\\n\\b\\f\\r/\x01\"}", compact(obj));
    EXPECT_STREQ("{\"k\"\t\":\"q\"\\\n\b\f\r/\x01\"}", Text(obj.generateString(true, true)).get());
}

TEST_F(Json, SeveralMembersRoundTrip) {
    std::unique_ptr<SimpleJsonObj> obj(
        SimpleJsonParser::parse("{\"x\":1,\"y\":\"two\",\"z\":[true,null],\"w\":{\"v\":-1.25}}"));
    for (bool compactForm : {true, false}) {
        Text text(obj->generateString(compactForm, false));
        std::unique_ptr<SimpleJsonObj> back(SimpleJsonParser::parse(text.get()));
        EXPECT_EQ(4u, back->size());
        EXPECT_EQ(1, back->getInt("x"));
        EXPECT_STREQ("two", back->getString("y"));
        EXPECT_TRUE(back->getArray("z")->getBoolean(0));
        EXPECT_TRUE(back->getArray("z")->isNull(1));
        EXPECT_EQ(-1.25, back->getObj("w")->getDouble("v"));
    }
}

// Keys that share a long prefix and a character sum: every one must be found again, and the
// parse must stay linear (the test's time-out bounds it generously).
TEST_F(Json, HundredThousandSimilarKeysParseAndAreFound) {
    const int count = 100000;
    auto keyOf = [](int i) {
        std::string digits = std::to_string(i);
        return "similar_key_prefix_" + std::string(6 - digits.size(), '0') + digits;
    };
    std::string text = "{";
    for (int i = 0; i < count; ++i)
        text += (i ? ",\"" : "\"") + keyOf(i) + "\":" + std::to_string(i);
    text += "}";
    std::unique_ptr<SimpleJsonObj> obj(SimpleJsonParser::parse(text.c_str()));
    ASSERT_EQ(static_cast<std::size_t>(count), obj->size());
    int wrong = 0;
    for (int i = 0; i < count; ++i) wrong += obj->getInt(keyOf(i).c_str(), -1) != i;
    EXPECT_EQ(0, wrong);
    EXPECT_FALSE(obj->has("similar_key_prefix_100000"));
    EXPECT_TRUE(log().take().empty());
}

// Keys and texts of every length from empty to well past the short ones kept in place, in an
// object small enough to be scanned and one large enough to be indexed: each is found, read
// back whole, replaced by a repeated name and copied.
TEST_F(Json, KeysAndTextsOfEveryLengthInSmallAndLargeObjects) {
    for (int members : {3, 40}) {
        SCOPED_TRACE(members);
        std::string text = "{";
        for (int n = 0; n < members; ++n)
            text += (n ? ",\"" : "\"") + std::string(n, 'k') + "\":\"" + std::string(n, 'v') + "\"";
        const std::string lastKey(members - 1, 'k');
        text += ",\"" + lastKey + "\":\"last\"}";
        std::unique_ptr<SimpleJsonObj> obj(SimpleJsonParser::parse(text.c_str()));
        ASSERT_EQ(static_cast<std::size_t>(members), obj->size());
        for (int n = 0; n + 1 < members; ++n)
            EXPECT_EQ(std::string(n, 'v'), obj->getString(std::string(n, 'k').c_str())) << n;
        EXPECT_STREQ("last", obj->getString(lastKey.c_str()));
        EXPECT_FALSE(obj->has(std::string(members, 'k').c_str()));

        for (int n = 0; n < members; ++n) obj->put(std::string(n, 'k').c_str(), n);
        std::unique_ptr<SimpleJsonObj> copy(obj->dup());
        ASSERT_EQ(static_cast<std::size_t>(members), copy->size());
        for (int n = 0; n < members; ++n) EXPECT_EQ(n, copy->getInt(std::string(n, 'k').c_str()));
    }
    EXPECT_TRUE(log().take().empty());
}

TEST_F(Json, DumpLogsTheIndentedTextUnchanged) {
    SimpleJsonObj obj;
    obj.put("p", "100%s\n");
    obj.dump(LogLevel::WARN, "DUMP");
    const std::vector<LogCapture::Line> dumped = log().lines();
    ASSERT_EQ(1u, dumped.size());
    EXPECT_EQ(LogLevel::WARN, dumped[0].level);
    EXPECT_EQ(Lines{"DUMP: {\n    \"p\": \"100%s\n\"\n}"}, log().take());
}

// ---- put, add and dup ------------------------------------------------------------------

TEST_F(Json, PutReplacesTheValueAndKeepsTheKey) {
    SimpleJsonObj obj;
    obj.put("a", 1);
    obj.put("a", "two");
    obj.putNull("n");
    obj.putStringIfNotNull("s", nullptr);
    obj.putStringIfNotNull("t", "yes");
    EXPECT_STREQ("two", obj.getString("a"));
    EXPECT_TRUE(obj.isNull("n"));
    EXPECT_FALSE(obj.has("s"));
    EXPECT_EQ(3u, obj.size());
}

TEST_F(Json, PutOfTheStoredPointerDoesNothing) {
    SimpleJsonObj obj;
    auto* value = new SimpleJsonData(5);
    obj.put("a", value);
    obj.put("a", value);
    ASSERT_EQ(value, obj.get("a"));
    EXPECT_EQ(SimpleJsonData::TYPE_INTEGER, obj.get("a")->getType());
    EXPECT_EQ(5, obj.getInt("a"));

    auto* inner = new SimpleJsonObj();
    obj.put("o", inner);
    obj.put("o", inner);
    inner->put("x", 1);
    EXPECT_EQ(inner, obj.getObj("o"));
    EXPECT_EQ(1, obj.getObj("o")->getInt("x"));

    auto* list = new SimpleJsonArray();
    obj.put("l", list);
    obj.put("l", list);
    list->add(2);
    EXPECT_EQ(2, obj.getArray("l")->getInt(0));
}

TEST_F(Json, AddOfAnElementAlreadyThereDoesNothing) {
    SimpleJsonArray array;
    auto* value = new SimpleJsonData("v");
    array.add(value);
    array.add(value);
    array.add(static_cast<SimpleJsonData*>(nullptr));
    EXPECT_EQ(2, array.size());
    EXPECT_TRUE(array.isNull(1));
}

TEST_F(Json, DupIsAnExactIndependentCopy) {
    SimpleJsonObj obj;
    obj.put("d", 0.1234567891);
    obj.put("nan", std::nan(""));
    obj.put("k\"ey", "v\\\"");
    obj.put("big", 1LL << 62);
    auto* list = new SimpleJsonArray();
    list->add(1e-9);
    list->add(new SimpleJsonObj());
    obj.put("l", list);

    std::unique_ptr<SimpleJsonObj> copy(obj.dup());
    ASSERT_TRUE(copy);
    EXPECT_EQ(0.1234567891, copy->getDouble("d"));
    EXPECT_TRUE(std::isnan(copy->getDouble("nan")));
    EXPECT_STREQ("v\\\"", copy->getString("k\"ey"));
    EXPECT_EQ(1LL << 62, copy->getLongLong("big"));
    EXPECT_EQ(1e-9, copy->getArray("l")->getDouble(0));
    EXPECT_EQ(0u, copy->getArray("l")->getObj(1)->size());

    obj.put("d", 2);
    obj.getArray("l")->add(3);
    EXPECT_EQ(0.1234567891, copy->getDouble("d"));
    EXPECT_EQ(2, copy->getArray("l")->size());
    EXPECT_TRUE(log().take().empty());
}

// ---- files -----------------------------------------------------------------------------

TEST_F(Json, ParsesAFile) {
    std::string path = TestEnv::makeDir("json") + "/doc.json";
    std::ofstream(path) << "{\"name\": \"file\", \"list\": [1, 2, 3]}";
    std::unique_ptr<SimpleJsonObj> obj(SimpleJsonObj::parseFileAndGenerate(path.c_str()));
    EXPECT_STREQ("file", obj->getString("name"));
    EXPECT_EQ(3, obj->getArray("list")->size());
}

TEST_F(Json, FileErrors) {
    std::string dir = TestEnv::makeDir("json-bad");
    std::string missing = dir + "/missing.json";
    EXPECT_THROW(SimpleJsonObj::parseFileAndGenerate(missing.c_str()), EJsonError);
    EXPECT_EQ(Lines{"SJsonObj: Cannot open \"" + missing + "\" for JSON parse!"}, log().take());

    std::string broken = dir + "/broken.json";
    std::ofstream(broken) << "{\"a\":";
    EXPECT_THROW(SimpleJsonObj::parseFileAndGenerate(broken.c_str()), EJsonError);
    EXPECT_EQ(Lines{P + "Cannot parse to get data!"}, log().take());
}

}  // namespace
