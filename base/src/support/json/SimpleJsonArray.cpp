#include "SimpleJsonArray.h"

#include <algorithm>
#include <memory>

#include "EJsonError.h"
#include "LogSystem.h"
#include "SimpleJsonData.h"
#include "SimpleJsonObj.h"
#include "SimpleJsonText.h"

SimpleJsonArray::SimpleJsonArray() = default;

SimpleJsonArray::~SimpleJsonArray() {
    for (SimpleJsonData* item : items) delete item;
}

int SimpleJsonArray::size() const { return static_cast<int>(items.size()); }

void SimpleJsonArray::ndxCheck(int i) const {
    if (i < 0 || i >= size()) {
        LogSystem::e("SJasonArray", "ndx(%d) is not valid, the size of the JSON array is %d!", i,
                     size());
        throw EJsonError();
    }
}

SimpleJsonData* SimpleJsonArray::get(int i) const {
    ndxCheck(i);
    return items[static_cast<std::size_t>(i)];
}

bool SimpleJsonArray::isNull(int i) const { return get(i)->isNull(); }

bool SimpleJsonArray::getBoolean(int i) const { return get(i)->getBoolean(); }

int SimpleJsonArray::getInt(int i) const { return get(i)->getInt(); }

long long SimpleJsonArray::getLongLong(int i) const { return get(i)->getLongLong(); }

double SimpleJsonArray::getDouble(int i) const { return get(i)->getDouble(); }

const char* SimpleJsonArray::getString(int i) const { return get(i)->getString(); }

SimpleJsonObj* SimpleJsonArray::getObj(int i) const { return get(i)->getObj(); }

SimpleJsonArray* SimpleJsonArray::getArray(int i) const { return get(i)->getArray(); }

void SimpleJsonArray::append(SimpleJsonData* value) {
    std::unique_ptr<SimpleJsonData> owned(value);
    items.push_back(owned.get());
    owned.release();
}

void SimpleJsonArray::add(SimpleJsonData* value) {
    if (value && std::find(items.begin(), items.end(), value) != items.end()) return;
    append(value ? value : new SimpleJsonData());
}

void SimpleJsonArray::addNull() { append(new SimpleJsonData()); }

void SimpleJsonArray::add(bool value) { append(new SimpleJsonData(value)); }

void SimpleJsonArray::add(int value) { append(new SimpleJsonData(value)); }

void SimpleJsonArray::add(long long value) { append(new SimpleJsonData(value)); }

void SimpleJsonArray::add(double value) { append(new SimpleJsonData(value)); }

void SimpleJsonArray::add(const char* value) { append(new SimpleJsonData(value)); }

void SimpleJsonArray::add(SimpleJsonObj* value) {
    std::unique_ptr<SimpleJsonObj> owned(value);
    auto* data = new SimpleJsonData(owned.get());
    owned.release();
    append(data);
}

void SimpleJsonArray::add(SimpleJsonArray* value) {
    std::unique_ptr<SimpleJsonArray> owned(value);
    auto* data = new SimpleJsonData(owned.get());
    owned.release();
    append(data);
}

char* SimpleJsonArray::generateString(bool compact, bool noEscape) const {
    std::string out;
    appendTo(out, compact, noEscape, 0, false);
    return dupJsonText(out);
}

SimpleJsonArray* SimpleJsonArray::dup() const {
    std::unique_ptr<SimpleJsonArray> copy(new SimpleJsonArray());
    for (const SimpleJsonData* item : items) copy->append(item->dup());
    return copy.release();
}

void SimpleJsonArray::appendTo(std::string& out, bool compact, bool noEscape, int indent,
                               bool member) const {
    if (compact) {
        out += '[';
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (i) out += ',';
            items[i]->appendTo(out, true, noEscape, 0, false);
        }
        out += ']';
        return;
    }
    if (member) {
        out += '\n';
        appendJsonIndent(out, indent);
    }
    out += "[\n";
    for (std::size_t i = 0; i < items.size(); ++i) {
        appendJsonIndent(out, indent + 4);
        items[i]->appendTo(out, false, noEscape, indent + 4, false);
        out += i + 1 < items.size() ? ",\n" : "\n";
    }
    appendJsonIndent(out, indent);
    out += ']';
}
