#include "storage/StringList.h"

#include <algorithm>

#include "storage/ShiftJis.h"

int TiStringList::AddTagged(const std::string& text, int32_t tag) {
    FItems.push_back({text, tag});
    return Count() - 1;
}

void TiStringList::Insert(int index, const std::string& text, int32_t tag) {
    if (index < 0 || index > Count())
        index = Count();
    FItems.insert(FItems.begin() + index, TItem{text, tag});
}

void TiStringList::Delete(int index) {
    if (index >= 0 && index < Count())
        FItems.erase(FItems.begin() + index);
}

int TiStringList::IndexOf(const std::string& text) const {
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(FItems[i].Text, text))
            return i;
    return -1;
}

int TiStringList::IndexOfTag(int32_t tag) const {
    for (int i = 0; i < Count(); ++i)
        if (FItems[i].Tag == tag)
            return i;
    return -1;
}

int32_t TiStringList::TagOf(const std::string& text) const {
    int index = IndexOf(text);
    return index < 0 ? -1 : FItems[index].Tag;
}

void TiStringList::SortByTag(bool ascending) {
    FAscending = ascending;
    std::stable_sort(FItems.begin(), FItems.end(), [ascending](const TItem& a, const TItem& b) {
        return ascending ? a.Tag < b.Tag : a.Tag > b.Tag;
    });
}
