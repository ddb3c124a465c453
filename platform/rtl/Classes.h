// String list of the class library: an ordered list of 8-bit strings.
#pragma once

#include <string>
#include <vector>

class TStringList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    int Add(const std::string& s);
    void Insert(int index, const std::string& s);
    void Delete(int index);
    void Clear() { items_.clear(); }
    int IndexOf(const std::string& s) const;
    // Raises ERangeError ("List index out of bounds") outside 0..Count-1.
    const std::string& operator[](int index) const;
    std::string& operator[](int index);

    // Lines joined with CR LF, each line ended; setting splits at CR LF, LF or CR.
    std::string Text() const;
    void SetText(const std::string& text);
    // Raise Exception when the file cannot be opened or written.
    void LoadFromFile(const std::string& path);
    void SaveToFile(const std::string& path) const;

private:
    void Check(int index) const;
    std::vector<std::string> items_;
};
