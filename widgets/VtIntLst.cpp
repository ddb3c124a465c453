#include "widgets/VtIntLst.h"

#include <utility>

#include "platform/ui/FormLoader.h"

const TClassInfo& TVtIntegerList::StaticClass() {
    static const TClassInfo ci{"TVtIntegerList", &TPersistent::StaticClass(), {}, {}, {}};
    return ci;
}

void TVtIntegerList::CheckIndex(int index, int count) const {
    if (index < 0 || index >= count) throw ERangeError(Format("List index out of bounds (%d)", {index}));
}

void TVtIntegerList::CheckRange(int32_t value) const {
    if (min_ != max_ && (value < min_ || value > max_))
        throw EVtIntegerListRangeError(Format("Value must be within %d..%d", {min_, max_}));
}

int32_t TVtIntegerList::Items(int index) const {
    CheckIndex(index, Count());
    return items_[size_t(index)];
}

void TVtIntegerList::Assign(const TPersistent* source) {
    auto* src = dynamic_cast<const TVtIntegerList*>(source);
    if (!src)
        throw EConvertError("Cannot assign a " + (source ? source->ClassName() : std::string("nil")) + " to a " +
                            ClassName());
    if (src == this) return;
    auto saved = items_;
    try {
        Clear();
        AddIntegers(*src);
    } catch (...) {
        items_ = std::move(saved);
        throw;
    }
}

bool TVtIntegerList::Find(int32_t value, int& index) const {
    bool found = false;
    int l = 0, h = Count() - 1;
    while (l <= h) {
        int i = int((unsigned(l) + unsigned(h)) >> 1);
        if (items_[size_t(i)] < value) {
            l = i + 1;
        } else {
            h = i - 1;
            if (items_[size_t(i)] == value) {
                found = true;
                if (duplicates_ != dupAccept) l = i;
            }
        }
    }
    index = l;
    return found;
}

void TVtIntegerList::Put(int index, int32_t value) {
    CheckIndex(index, Count());
    CheckRange(value);
    items_[size_t(index)] = value;
}

void TVtIntegerList::QuickSort(int l, int r) {
    do {
        int i = l, j = r;
        int32_t pivot = items_[size_t((unsigned(l) + unsigned(r)) >> 1)];
        do {
            while (items_[size_t(i)] < pivot) ++i;
            while (items_[size_t(j)] > pivot) --j;
            if (i <= j) {
                std::swap(items_[size_t(i)], items_[size_t(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (l < j) QuickSort(l, j);
        l = i;
    } while (l < r);
}

void TVtIntegerList::Sort() {
    if (!sorted_ && Count() > 1) QuickSort(0, Count() - 1);
}

int TVtIntegerList::Add(int32_t value) {
    int index = Count();
    if (sorted_ && Find(value, index)) {
        if (duplicates_ == dupIgnore) return index;
        if (duplicates_ == dupError) throw EVtIntegerListError("Duplicates not allowed");
    }
    InsertItem(index, value);
    return index;
}

void TVtIntegerList::AddIntegers(const TVtIntegerList& list) {
    // A copy, so that adding a list to itself ends.
    const std::vector<int32_t> values = list.items_;
    for (int32_t v : values) Add(v);
}

void TVtIntegerList::Clear() { items_.clear(); }

void TVtIntegerList::Delete(int index) {
    CheckIndex(index, Count());
    items_.erase(items_.begin() + index);
}

void TVtIntegerList::Exchange(int i, int j) {
    CheckIndex(i, Count());
    CheckIndex(j, Count());
    std::swap(items_[size_t(i)], items_[size_t(j)]);
}

int TVtIntegerList::IndexOf(int32_t value) const {
    if (sorted_) {
        int index;
        return Find(value, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (items_[size_t(i)] == value) return i;
    return -1;
}

void TVtIntegerList::Insert(int index, int32_t value) {
    if (sorted_) throw EVtIntegerListError("Operation not allowed on sorted list");
    CheckIndex(index, Count() + 1);
    InsertItem(index, value);
}

void TVtIntegerList::InsertItem(int index, int32_t value) {
    CheckIndex(index, Count() + 1);
    CheckRange(value);
    items_.insert(items_.begin() + index, value);
}

void TVtIntegerList::Move(int from, int to) {
    if (from == to) return;
    CheckIndex(from, Count());
    CheckIndex(to, Count());
    int32_t v = items_[size_t(from)];
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + to, v);
}

void TVtIntegerList::SetMin(int32_t v) {
    if (v == min_) return;
    for (int32_t x : items_)
        if (x < v)
            throw EVtIntegerListRangeError(
                Format("Unable to set new minimum value.\rList contains values below %d", {v}));
    min_ = v;
    if (min_ > max_) max_ = min_;
}

void TVtIntegerList::SetMax(int32_t v) {
    if (v == max_) return;
    for (int32_t x : items_)
        if (x > v)
            throw EVtIntegerListRangeError(
                Format("Unable to set new maximum value.\rList contains values above %d", {v}));
    max_ = v;
    if (max_ < min_) min_ = max_;
}

void TVtIntegerList::SetSorted(bool s) {
    if (s == sorted_) return;
    if (s) Sort();
    sorted_ = s;
}

static int32_t StreamedInt(const TFormValue& v, const std::string& name) {
    if (v.kind != TFormValue::Integer || v.i < INT32_MIN || v.i > INT32_MAX)
        throw EFormResourceError("Invalid integer list value of " + name);
    return int32_t(v.i);
}

bool TVtIntegerList::ReadProperty(const std::string& name, const TFormValue& value) {
    if (AnsiCompareText(name, "Min") == 0) {
        SetMin(StreamedInt(value, name));
    } else if (AnsiCompareText(name, "Max") == 0) {
        SetMax(StreamedInt(value, name));
    } else if (AnsiCompareText(name, "Integers") == 0) {
        if (value.kind != TFormValue::List) throw EFormResourceError("Invalid integer list value of " + name);
        std::vector<int32_t> values;
        for (const TFormValue& item : value.items) values.push_back(StreamedInt(item, name));
        auto saved = items_;
        try {
            Clear();
            for (int32_t v : values) Add(v);
        } catch (...) {
            items_ = std::move(saved);
            throw;
        }
    } else {
        return false;
    }
    return true;
}

bool TVtIntegerList::IntegersStored(const TPersistent* ancestor) const {
    if (!ancestor) return Count() > 0;
    auto* a = dynamic_cast<const TVtIntegerList*>(ancestor);
    return !a || !Equals(*a);
}

void RegisterIntegerListReaders(const TClassInfo& cls, const std::string& prop,
                                std::function<TVtIntegerList*(TObject*)> list) {
    for (const char* name : {"Min", "Max", "Integers"})
        RegisterPropertyReader(cls, prop + "." + name, [list, name = std::string(name)](TObject* o, const TFormValue& v) {
            list(o)->ReadProperty(name, v);
        });
}
