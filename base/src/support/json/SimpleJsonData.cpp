#include "SimpleJsonData.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "EJsonError.h"
#include "LogSystem.h"
#include "SimpleJsonArray.h"
#include "SimpleJsonObj.h"
#include "SimpleJsonText.h"

namespace {

const char* const kTag = "SJsonData";

// Whether strtol-style parsing consumed the whole, non-empty text.
bool wholly(const char* text, const char* end) { return end != text && *end == '\0'; }

}  // namespace

SimpleJsonData::SimpleJsonData() : type(TYPE_NULL) { value.integer = 0; }

SimpleJsonData::SimpleJsonData(bool v) : type(TYPE_BOOLEAN) { value.boolean = v; }

SimpleJsonData::SimpleJsonData(int v) : SimpleJsonData(static_cast<long long>(v)) {}

SimpleJsonData::SimpleJsonData(long long v) : type(TYPE_INTEGER) { value.integer = v; }

SimpleJsonData::SimpleJsonData(double v) : type(TYPE_DOUBLE) { value.real = v; }

SimpleJsonData::SimpleJsonData(const char* v) : type(v ? TYPE_STRING : TYPE_NULL) {
    value.integer = 0;
    if (v) copyText(v);
}

SimpleJsonData::SimpleJsonData(std::string_view v) : type(TYPE_STRING) { copyText(v); }

void SimpleJsonData::copyText(std::string_view source) {
    text = value.inlineText;
    if (source.size() >= kInlineText) {
        text = static_cast<char*>(std::malloc(source.size() + 1));
        if (!text) throw std::bad_alloc();
    }
    std::memcpy(text, source.data(), source.size());
    text[source.size()] = '\0';
}

SimpleJsonData::SimpleJsonData(SimpleJsonObj* v) : type(v ? TYPE_OBJECT : TYPE_NULL) {
    value.obj = v;
}

SimpleJsonData::SimpleJsonData(SimpleJsonArray* v) : type(v ? TYPE_ARRAY : TYPE_NULL) {
    value.array = v;
}

SimpleJsonData::~SimpleJsonData() {
    if (text != value.inlineText) std::free(text);
    if (type == TYPE_OBJECT)
        delete value.obj;
    else if (type == TYPE_ARRAY)
        delete value.array;
}

void SimpleJsonData::fail(const char* message) {
    LogSystem::e(kTag, "%s", message);
    throw EJsonError();
}

int SimpleJsonData::getType() const { return type; }

bool SimpleJsonData::isNull() const { return type == TYPE_NULL; }

bool SimpleJsonData::getBoolean() const {
    switch (type) {
        case TYPE_BOOLEAN:
            return value.boolean;
        case TYPE_INTEGER:
            return value.integer != 0;
        case TYPE_STRING:
            if (std::strcmp(text, "true") == 0) return true;
            if (std::strcmp(text, "false") == 0) return false;
            fail("The JSON string cannot be converted to boolean!");
        default:
            fail("The JSON data cannot be converted to boolean!");
    }
}

int SimpleJsonData::getInt() const {
    if (type == TYPE_STRING) {
        char* end = nullptr;
        long v = std::strtol(text, &end, 0);
        if (!wholly(text, end)) fail("The JSON string cannot be converted to int!");
        return static_cast<int>(v);
    }
    if (type != TYPE_INTEGER) fail("The JSON data cannot be converted to int!");
    return static_cast<int>(value.integer);
}

long long SimpleJsonData::getLongLong() const {
    if (type == TYPE_STRING) {
        char* end = nullptr;
        long long v = std::strtoll(text, &end, 0);
        if (!wholly(text, end)) fail("The JSON string cannot be converted to int!");
        return v;
    }
    if (type != TYPE_INTEGER) fail("The JSON data cannot be converted to int!");
    return value.integer;
}

double SimpleJsonData::getDouble() const {
    switch (type) {
        case TYPE_DOUBLE:
            return value.real;
        case TYPE_INTEGER:
            return static_cast<double>(value.integer);
        case TYPE_STRING: {
            char* end = nullptr;
            double v = jsonStrtod(text, &end);
            if (!wholly(text, end)) fail("The JSON string cannot be converted to double!");
            return v;
        }
        default:
            fail("The JSON data cannot be converted to double!");
    }
}

const char* SimpleJsonData::cacheText(const std::string& made) const {
    text = dupJsonText(made);
    if (!text) throw std::bad_alloc();
    return text;
}

const char* SimpleJsonData::getString() const {
    if (text) return text;
    switch (type) {
        case TYPE_NULL:
            return cacheText("null");
        case TYPE_BOOLEAN:
            return cacheText(value.boolean ? "true" : "false");
        case TYPE_INTEGER:
            return cacheText(std::to_string(value.integer));
        case TYPE_DOUBLE: {
            std::string made;
            appendJsonDouble(made, value.real);
            return cacheText(made);
        }
        default:
            fail("The JSON data cannot be converted to string!");
    }
}

SimpleJsonObj* SimpleJsonData::getObj() const {
    if (type != TYPE_OBJECT) fail("The JSON data is not a JSON object!");
    return value.obj;
}

SimpleJsonArray* SimpleJsonData::getArray() const {
    if (type != TYPE_ARRAY) fail("The JSON data is not a JSON array!");
    return value.array;
}

bool SimpleJsonData::holds(const void* container) const {
    return (type == TYPE_OBJECT && value.obj == container) ||
           (type == TYPE_ARRAY && value.array == container);
}

SimpleJsonData* SimpleJsonData::dup() const {
    switch (type) {
        case TYPE_BOOLEAN:
            return new SimpleJsonData(value.boolean);
        case TYPE_INTEGER:
            return new SimpleJsonData(value.integer);
        case TYPE_DOUBLE:
            return new SimpleJsonData(value.real);
        case TYPE_STRING:
            return new SimpleJsonData(static_cast<const char*>(text));
        case TYPE_OBJECT: {
            std::unique_ptr<SimpleJsonObj> copy(value.obj->dup());
            auto* data = new SimpleJsonData(copy.get());
            copy.release();
            return data;
        }
        case TYPE_ARRAY: {
            std::unique_ptr<SimpleJsonArray> copy(value.array->dup());
            auto* data = new SimpleJsonData(copy.get());
            copy.release();
            return data;
        }
        default:
            return new SimpleJsonData();
    }
}

void SimpleJsonData::appendTo(std::string& out, bool compact, bool noEscape, int indent,
                              bool member) const {
    switch (type) {
        case TYPE_NULL:
            out += "null";
            break;
        case TYPE_BOOLEAN:
            out += value.boolean ? "true" : "false";
            break;
        case TYPE_INTEGER:
            out += std::to_string(value.integer);
            break;
        case TYPE_DOUBLE:
            appendJsonDouble(out, value.real);
            break;
        case TYPE_STRING:
            appendJsonQuoted(out, text, noEscape);
            break;
        case TYPE_OBJECT:
            value.obj->appendTo(out, compact, noEscape, indent, member);
            break;
        case TYPE_ARRAY:
            value.array->appendTo(out, compact, noEscape, indent, member);
            break;
    }
}
