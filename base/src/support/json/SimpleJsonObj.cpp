#include "SimpleJsonObj.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "EJsonError.h"
#include "LogSystem.h"
#include "OsalInputFile.h"
#include "SimpleJsonArray.h"
#include "SimpleJsonData.h"
#include "SimpleJsonParser.h"
#include "SimpleJsonText.h"

namespace {

const char* const kTag = "SJsonObj";
// Larger files are refused rather than read into memory.
const long long kMaxFileBytes = 1LL << 30;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

// The whole file as a NUL-terminated buffer; logs and throws when it cannot be read.
std::unique_ptr<char, FreeDeleter> readWholeFile(const char* path) {
    OsalInputFile file(path);
    if (file.open() != 0) {
        LogSystem::e(kTag, "Cannot open \"%s\" for JSON parse!", path);
        throw EJsonError();
    }
    long long size = file.seek(0, 2) == 0 ? file.tell() : -1;
    std::unique_ptr<char, FreeDeleter> buffer;
    if (size >= 0 && size <= kMaxFileBytes && file.seek(0, 0) == 0)
        buffer.reset(static_cast<char*>(std::malloc(static_cast<std::size_t>(size) + 1)));
    long long got = 0;
    while (buffer && got < size) {
        unsigned long n = file.read(buffer.get() + got, static_cast<unsigned long>(size - got));
        if (n == 0 || n == static_cast<unsigned long>(-1)) break;
        got += static_cast<long long>(n);
    }
    file.close();
    if (!buffer || got != size) {
        LogSystem::e(kTag, "Cannot read \"%s\" for JSON parse!", path);
        throw EJsonError();
    }
    buffer.get()[size] = '\0';
    return buffer;
}

}  // namespace

SimpleJsonObj::SimpleJsonObj() = default;

SimpleJsonObj::~SimpleJsonObj() = default;

SimpleJsonData* SimpleJsonObj::find(const char* name) const { return members.find(name); }

bool SimpleJsonObj::has(const char* name) const { return find(name) != nullptr; }

SimpleJsonData* SimpleJsonObj::get(const char* name) const {
    SimpleJsonData* data = find(name);
    if (!data) {
        LogSystem::e(kTag, "Cannot get data with the name \"%s\"!", name);
        throw EJsonError();
    }
    return data;
}

std::size_t SimpleJsonObj::size() const { return members.size(); }

bool SimpleJsonObj::isNull(const char* name) const { return get(name)->isNull(); }

bool SimpleJsonObj::getBoolean(const char* name) const { return get(name)->getBoolean(); }

int SimpleJsonObj::getInt(const char* name) const { return get(name)->getInt(); }

long long SimpleJsonObj::getLongLong(const char* name) const { return get(name)->getLongLong(); }

double SimpleJsonObj::getDouble(const char* name) const { return get(name)->getDouble(); }

const char* SimpleJsonObj::getString(const char* name) const { return get(name)->getString(); }

SimpleJsonObj* SimpleJsonObj::getObj(const char* name) const { return get(name)->getObj(); }

SimpleJsonArray* SimpleJsonObj::getArray(const char* name) const { return get(name)->getArray(); }

namespace {

// The getter's answer, or `def` when the value is missing or does not convert.
template <typename T>
T valueOr(const SimpleJsonData* data, T def, T (SimpleJsonData::*getter)() const) {
    if (!data) return def;
    try {
        return (data->*getter)();
    } catch (const EJsonError&) {
        return def;
    }
}

}  // namespace

bool SimpleJsonObj::getBoolean(const char* name, bool def) const {
    return valueOr(find(name), def, &SimpleJsonData::getBoolean);
}

int SimpleJsonObj::getInt(const char* name, int def) const {
    return valueOr(find(name), def, &SimpleJsonData::getInt);
}

long long SimpleJsonObj::getLongLong(const char* name, long long def) const {
    return valueOr(find(name), def, &SimpleJsonData::getLongLong);
}

double SimpleJsonObj::getDouble(const char* name, double def) const {
    return valueOr(find(name), def, &SimpleJsonData::getDouble);
}

const char* SimpleJsonObj::getString(const char* name, const char* def) const {
    return valueOr(find(name), def, &SimpleJsonData::getString);
}

const char* SimpleJsonObj::getStringOrNull(const char* name) const {
    const SimpleJsonData* data = find(name);
    return data ? data->getString() : nullptr;
}

void SimpleJsonObj::store(const char* name, SimpleJsonData* value) { members.store(name, value); }

void SimpleJsonObj::put(const char* name, SimpleJsonData* value) {
    if (value && find(name) == value) return;
    store(name, value ? value : new SimpleJsonData());
}

void SimpleJsonObj::putNull(const char* name) { store(name, new SimpleJsonData()); }

void SimpleJsonObj::put(const char* name, bool value) { store(name, new SimpleJsonData(value)); }

void SimpleJsonObj::put(const char* name, int value) { store(name, new SimpleJsonData(value)); }

void SimpleJsonObj::put(const char* name, long long value) {
    store(name, new SimpleJsonData(value));
}

void SimpleJsonObj::put(const char* name, double value) { store(name, new SimpleJsonData(value)); }

void SimpleJsonObj::put(const char* name, const char* value) {
    store(name, new SimpleJsonData(value));
}

void SimpleJsonObj::put(const char* name, SimpleJsonObj* value) {
    const SimpleJsonData* current = find(name);
    if (value && current && current->holds(value)) return;
    std::unique_ptr<SimpleJsonObj> owned(value);
    auto* data = new SimpleJsonData(owned.get());
    owned.release();
    store(name, data);
}

void SimpleJsonObj::put(const char* name, SimpleJsonArray* value) {
    const SimpleJsonData* current = find(name);
    if (value && current && current->holds(value)) return;
    std::unique_ptr<SimpleJsonArray> owned(value);
    auto* data = new SimpleJsonData(owned.get());
    owned.release();
    store(name, data);
}

void SimpleJsonObj::putStringIfNotNull(const char* name, const char* text) {
    if (text) put(name, text);
}

SimpleJsonObj* SimpleJsonObj::parseAndGenerate(const char* text) {
    return SimpleJsonParser::parse(text);
}

SimpleJsonObj* SimpleJsonObj::parseFileAndGenerate(const char* path) {
    std::unique_ptr<char, FreeDeleter> text = readWholeFile(path);
    return SimpleJsonParser::parse(text.get());
}

char* SimpleJsonObj::generateString(bool compact, bool noEscape) const {
    std::string out;
    appendTo(out, compact, noEscape, 0, false);
    return dupJsonText(out);
}

SimpleJsonObj* SimpleJsonObj::dup() const {
    std::unique_ptr<SimpleJsonObj> copy(new SimpleJsonObj());
    copy->members.reserve(members.size());
    for (const auto& member : members) copy->members.store(member.key(), member.value()->dup());
    return copy.release();
}

void SimpleJsonObj::dump(LogLevel level, const char* tag) const {
    std::unique_ptr<char, FreeDeleter> text(generateString(false, true));
    if (text) LogSystem::l(tag, level, "%s", text.get());
}

void SimpleJsonObj::appendTo(std::string& out, bool compact, bool noEscape, int indent,
                             bool member) const {
    if (compact) {
        out += '{';
        bool first = true;
        for (const auto& m : members) {
            if (!first) out += ',';
            first = false;
            appendJsonQuoted(out, m.key().data(), noEscape);
            out += ':';
            m.value()->appendTo(out, true, noEscape, 0, true);
        }
        out += '}';
        return;
    }
    if (member) {
        out += '\n';
        appendJsonIndent(out, indent);
    }
    out += "{\n";
    std::size_t left = members.size();
    for (const auto& m : members) {
        appendJsonIndent(out, indent + 4);
        appendJsonQuoted(out, m.key().data(), noEscape);
        out += ": ";
        m.value()->appendTo(out, false, noEscape, indent + 4, true);
        out += --left ? ",\n" : "\n";
    }
    appendJsonIndent(out, indent);
    out += '}';
}
