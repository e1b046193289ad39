#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

class SimpleJsonData;

// The members of one JSON object in insertion order: owned keys (short ones stored inline) to
// owned values. Small tables are scanned; larger ones keep an open-addressing index of member
// positions. Keys are never removed. Not thread-safe.
class JsonMemberTable {
  public:
    // One member. Trivially copyable: the table owns the key and the value it points at.
    class Member {
      public:
        std::string_view key() const;
        SimpleJsonData* value() const { return data; }

      private:
        friend class JsonMemberTable;
        static const std::size_t kInlineKey = 16;  // bytes, NUL included

        std::uint32_t hash;
        std::uint32_t length;
        union {
            char inlineKey[kInlineKey];
            char* heapKey;  // malloc'd, NUL-terminated
        };
        SimpleJsonData* data;  // owned
    };

    JsonMemberTable() = default;
    ~JsonMemberTable();
    JsonMemberTable(const JsonMemberTable&) = delete;
    JsonMemberTable& operator=(const JsonMemberTable&) = delete;

    std::size_t size() const { return members.size(); }
    void reserve(std::size_t count);
    // The value under `key`, or null.
    SimpleJsonData* find(std::string_view key) const;
    // Stores `value` (ownership taken, not null) under `key`, deleting the value stored there
    // before (the key is kept). Throws std::bad_alloc, `value` then deleted.
    void store(std::string_view key, SimpleJsonData* value);

    const Member* begin() const { return members.data(); }
    const Member* end() const { return members.data() + members.size(); }

  private:
    static const std::size_t kScanLimit = 8;  // members searched without the index

    // The position of the member under `key` with `hash`, or -1.
    std::ptrdiff_t position(std::string_view key, std::uint32_t hash) const;
    void append(std::string_view key, std::uint32_t hash, SimpleJsonData* value);
    // Rebuilds the index for at least `count` members.
    void reindex(std::size_t count);
    void insertIndex(std::uint32_t hash, std::uint32_t position);

    std::vector<Member> members;
    // Empty while the table is scanned; else a power of two of slots, each 0 (free) or a
    // member position + 1, filled to at most a half.
    std::vector<std::uint32_t> index;
};
