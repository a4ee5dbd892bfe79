#include "storage/TaggedStrings.h"

#include <algorithm>

#include "storage/Text.h"

int TTaggedStrings::AddTagged(const std::string& text, int32_t tag) {
    FItems.push_back({text, tag});
    return Count() - 1;
}

void TTaggedStrings::Insert(int index, const std::string& text, int32_t tag) {
    if (index < 0 || index > Count())
        index = Count();
    FItems.insert(FItems.begin() + index, TItem{text, tag});
}

void TTaggedStrings::Delete(int index) {
    if (index >= 0 && index < Count())
        FItems.erase(FItems.begin() + index);
}

int TTaggedStrings::IndexOf(const std::string& text) const {
    for (int i = 0; i < Count(); ++i)
        if (AsciiSameText(FItems[i].Text, text))
            return i;
    return -1;
}

int TTaggedStrings::IndexOfTag(int32_t tag) const {
    for (int i = 0; i < Count(); ++i)
        if (FItems[i].Tag == tag)
            return i;
    return -1;
}

int32_t TTaggedStrings::TagOf(const std::string& text) const {
    int index = IndexOf(text);
    return index < 0 ? -1 : FItems[index].Tag;
}

void TTaggedStrings::SortByTag(bool ascending) {
    FAscending = ascending;
    std::stable_sort(FItems.begin(), FItems.end(),
                     [ascending](const TItem& a, const TItem& b) { return ascending ? a.Tag < b.Tag : a.Tag > b.Tag; });
}
