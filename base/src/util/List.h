#pragma once

#include <cstdlib>
#include <deque>
#include <type_traits>

// The system's sequence: a std::deque with range-checked indexing (operator[] throws
// std::out_of_range like at()). Destroying a list never frees what its elements point to;
// a holder that owns pointed-to objects calls deleteAllObjsAndReset() (new'd objects) or
// freeAllAndReset() (malloc'd strings such as FileUtil::scanDir's names) first.
template <typename T>
class List : public std::deque<T> {
  public:
    using std::deque<T>::deque;

    void append(const T& value) { this->push_back(value); }
    void append(T&& value) { this->push_back(std::move(value)); }

    T& operator[](typename std::deque<T>::size_type i) { return this->at(i); }
    const T& operator[](typename std::deque<T>::size_type i) const { return this->at(i); }

    // Deletes every non-null element with `delete`, then empties the list.
    // Not for strings: those are malloc'd or borrowed (see freeAllAndReset()).
    void deleteAllObjsAndReset() {
        static_assert(std::is_pointer<T>::value, "deleteAllObjsAndReset needs a list of pointers");
        using Pointee = std::remove_cv_t<std::remove_pointer_t<T>>;
        static_assert(!std::is_same<Pointee, char>::value,
                      "strings are malloc'd or borrowed: use freeAllAndReset()");
        for (T p : *this) delete p;
        this->clear();
    }

    // Releases every element with free() (malloc'd strings), then empties the list.
    void freeAllAndReset() {
        static_assert(std::is_pointer<T>::value, "freeAllAndReset needs a list of pointers");
        for (T p : *this) std::free(const_cast<std::remove_cv_t<std::remove_pointer_t<T>>*>(p));
        this->clear();
    }
};
