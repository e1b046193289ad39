#include "JsonMemberTable.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "CStringHash.h"
#include "SimpleJsonData.h"

std::string_view JsonMemberTable::Member::key() const {
    return std::string_view(length < kInlineKey ? inlineKey : heapKey, length);
}

JsonMemberTable::~JsonMemberTable() {
    for (Member& m : members) {
        if (m.length >= Member::kInlineKey) std::free(m.heapKey);
        delete m.data;
    }
}

void JsonMemberTable::reserve(std::size_t count) {
    members.reserve(count);
    if (count > kScanLimit && index.size() < 2 * count) reindex(count);
}

std::ptrdiff_t JsonMemberTable::position(std::string_view key, std::uint32_t hash) const {
    auto matches = [&](const Member& m) {
        return m.hash == hash && CStringHashEqual()(m.key(), key);
    };
    if (index.empty()) {
        for (std::size_t i = 0; i < members.size(); ++i)
            if (matches(members[i])) return static_cast<std::ptrdiff_t>(i);
        return -1;
    }
    const std::size_t mask = index.size() - 1;
    for (std::size_t slot = hash & mask; index[slot] != 0; slot = (slot + 1) & mask) {
        const std::size_t i = index[slot] - 1;
        if (matches(members[i])) return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
}

SimpleJsonData* JsonMemberTable::find(std::string_view key) const {
    std::ptrdiff_t i = position(key, CStringHash()(key));
    return i < 0 ? nullptr : members[static_cast<std::size_t>(i)].data;
}

void JsonMemberTable::store(std::string_view key, SimpleJsonData* value) {
    std::unique_ptr<SimpleJsonData> owned(value);
    const std::uint32_t hash = CStringHash()(key);
    std::ptrdiff_t i = position(key, hash);
    if (i >= 0) {
        Member& m = members[static_cast<std::size_t>(i)];
        delete m.data;
        m.data = owned.release();
        return;
    }
    append(key, hash, owned.get());
    owned.release();
}

void JsonMemberTable::append(std::string_view key, std::uint32_t hash, SimpleJsonData* value) {
    if (key.size() > UINT32_MAX - 1) throw std::bad_alloc();
    Member m;
    m.hash = hash;
    m.length = static_cast<std::uint32_t>(key.size());
    char* text = m.inlineKey;
    if (key.size() >= Member::kInlineKey) {
        text = m.heapKey = static_cast<char*>(std::malloc(key.size() + 1));
        if (!text) throw std::bad_alloc();
    }
    std::memcpy(text, key.data(), key.size());
    text[key.size()] = '\0';
    m.data = value;
    try {
        members.push_back(m);
        if (members.size() > kScanLimit && 2 * members.size() > index.size())
            reindex(members.size());
        else if (!index.empty())
            insertIndex(hash, static_cast<std::uint32_t>(members.size() - 1));
    } catch (...) {
        if (!members.empty() && members.back().data == value) members.pop_back();
        if (text != m.inlineKey) std::free(text);
        throw;
    }
}

void JsonMemberTable::reindex(std::size_t count) {
    std::size_t slots = 16;
    while (slots < 2 * count) slots *= 2;
    std::vector<std::uint32_t> fresh(slots, 0);
    index.swap(fresh);
    for (std::size_t i = 0; i < members.size(); ++i)
        insertIndex(members[i].hash, static_cast<std::uint32_t>(i));
}

void JsonMemberTable::insertIndex(std::uint32_t hash, std::uint32_t position) {
    const std::size_t mask = index.size() - 1;
    std::size_t slot = hash & mask;
    while (index[slot] != 0) slot = (slot + 1) & mask;
    index[slot] = position + 1;
}
