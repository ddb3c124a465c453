// A list of 32-bit integers with an optional value range, an optional sorted order with a duplicates rule,
// and form streaming under "Min", "Max" and "Integers". The tab-stop list of the tabbed list box derives from it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/FormResource.h"
#include "platform/ui/Component.h"

// A value outside Min..Max, or a range that would exclude items already held.
class EVtIntegerListRangeError : public Exception { using Exception::Exception; };
// A duplicate in a list that raises on them, or an insertion by index into a sorted list.
class EVtIntegerListError : public Exception { using Exception::Exception; };

enum TVtDuplicates : uint8_t { dupIgnore, dupAccept, dupError };

class TVtIntegerList : public TPersistent {
public:
    TVtIntegerList() = default;
    ~TVtIntegerList() override = default;
    QM_CLASS_INFO

    int Count() const { return int(items_.size()); }
    // Raises the list-index error outside 0..Count-1.
    int32_t Items(int index) const;
    void SetItems(int index, int32_t value) { Put(index, value); }

    // Another integer list: its items are added to an emptied one (through Add, so sorting and the
    // duplicates rule apply). Anything else raises EConvertError.
    virtual void Assign(const TPersistent* source);

    // Binary search of a sorted list: true when found; index is the found item (the first of equal ones
    // unless duplicates are accepted) or the insertion point.
    virtual bool Find(int32_t value, int& index) const;
    virtual void Put(int index, int32_t value);
    // Ascending; a list already kept sorted is left alone.
    virtual void Sort();
    virtual int Add(int32_t value);
    virtual void AddIntegers(const TVtIntegerList& list);
    virtual void Clear();
    virtual void Delete(int index);
    virtual void Exchange(int i, int j);
    virtual int IndexOf(int32_t value) const;
    virtual void Insert(int index, int32_t value);
    virtual void InsertItem(int index, int32_t value);
    virtual void Move(int from, int to);

    TVtDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TVtDuplicates d) { duplicates_ = d; }
    // The range holds only while Min differs from Max.
    int32_t Min() const { return min_; }
    void SetMin(int32_t v);
    int32_t Max() const { return max_; }
    void SetMax(int32_t v);
    bool Sorted() const { return sorted_; }
    // Turning it on sorts the items first.
    void SetSorted(bool s);

    // Reads one of the streamed properties "Min", "Max", "Integers"; false for any other name.
    // "Integers" must be a list of integers; anything else raises EFormResourceError.
    bool ReadProperty(const std::string& name, const TFormValue& value);
    // Whether "Integers" is written against the ancestor's list (nullptr when there is none).
    bool IntegersStored(const TPersistent* ancestor) const;
    bool Equals(const TVtIntegerList& other) const { return items_ == other.items_; }

private:
    void CheckIndex(int index, int count) const;
    void CheckRange(int32_t value) const;
    void QuickSort(int l, int r);

    std::vector<int32_t> items_;
    TVtDuplicates duplicates_ = dupIgnore;
    int32_t min_ = 0, max_ = 0;
    bool sorted_ = false;
};

// Lets form resources set "<prop>.Min", "<prop>.Max" and "<prop>.Integers" of the list that `list` returns
// for a component of class cls.
void RegisterIntegerListReaders(const TClassInfo& cls, const std::string& prop,
                                std::function<TVtIntegerList*(TObject*)> list);
