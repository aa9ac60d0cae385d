// FieldMap: a node's fields by field-name code, as an ordered map held in one
// sorted array. A node registers its ten or twenty fields once, when it is
// made, and the reader looks them up by code; one block per node instead of
// one tree node per field keeps the making of large worlds cheap.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class X3DField;

class FieldMap {
public:
    using Entry = std::pair<int32_t, X3DField*>;

    // Entries in ascending order of code.
    const Entry* begin() const { return entries_.data(); }
    const Entry* end() const { return entries_.data() + entries_.size(); }
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

    // The entry for the code, or end() when there is none.
    const Entry* find(int32_t code) const {
        const Entry* at = lowerBound(code);
        return at != end() && at->first == code ? at : end();
    }
    std::size_t count(int32_t code) const { return find(code) != end() ? 1 : 0; }
    // The field under the code, or null when there is none.
    X3DField* at(int32_t code) const {
        const Entry* found = find(code);
        return found != end() ? found->second : nullptr;
    }

    // The slot for the code, made (holding null) when there was none.
    X3DField*& operator[](int32_t code) {
        // Node constructors mostly register their fields in ascending order.
        if (entries_.empty() || entries_.back().first < code) {
            if (entries_.capacity() == 0) entries_.reserve(kTypicalCount);
            return entries_.emplace_back(code, nullptr).second;
        }
        const std::ptrdiff_t index = lowerBound(code) - begin();
        if (index < static_cast<std::ptrdiff_t>(entries_.size()) && entries_[index].first == code)
            return entries_[index].second;
        if (entries_.capacity() == 0) entries_.reserve(kTypicalCount);
        return entries_.insert(entries_.begin() + index, Entry{code, nullptr})->second;
    }

    // Drops the entry for the code, if there is one.
    void erase(int32_t code) {
        const std::ptrdiff_t index = lowerBound(code) - begin();
        if (index < static_cast<std::ptrdiff_t>(entries_.size()) && entries_[index].first == code)
            entries_.erase(entries_.begin() + index);
    }

private:
    // Enough for most nodes of the catalogue, so that one allocation serves.
    static constexpr std::size_t kTypicalCount = 16;

    const Entry* lowerBound(int32_t code) const {
        return std::lower_bound(begin(), end(), code, [](const Entry& e, int32_t c) { return e.first < c; });
    }

    std::vector<Entry> entries_;
};
