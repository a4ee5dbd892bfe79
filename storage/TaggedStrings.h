#pragma once
// TTaggedStrings: an unsorted list of strings in which every entry carries a 32-bit tag.
// Lookups by text ignore the case of ASCII letters. The almanac keeps (name, day number)
// pairs in it, the memo store (text, day number) pairs.

#include <cstdint>
#include <string>
#include <vector>

class TTaggedStrings {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    void Clear() { FItems.clear(); }

    // Appends an entry with tag 0 / with the given tag; returns its index.
    int Add(const std::string& text) { return AddTagged(text, 0); }
    int AddTagged(const std::string& text, int32_t tag);
    void Insert(int index, const std::string& text, int32_t tag = 0);
    void Delete(int index);

    const std::string& Strings(int index) const { return FItems.at(index).Text; }
    void SetStrings(int index, const std::string& text) { FItems.at(index).Text = text; }
    int32_t Tags(int index) const { return FItems.at(index).Tag; }
    void SetTags(int index, int32_t tag) { FItems.at(index).Tag = tag; }

    // First entry whose text equals text ignoring case; -1 if none.
    int IndexOf(const std::string& text) const;
    // First entry with that tag, scanning from the front; -1 if none.
    int IndexOfTag(int32_t tag) const;
    // Tag of the first entry whose text equals text ignoring case; -1 if none.
    int32_t TagOf(const std::string& text) const;
    // Stable sort by tag: entries with equal tags keep their order.
    void SortByTag(bool ascending = true);
    bool SortAscending() const { return FAscending; }

private:
    struct TItem {
        std::string Text;
        int32_t Tag;
    };
    std::vector<TItem> FItems;
    bool FAscending = true;
};
