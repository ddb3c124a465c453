#include "platform/rtl/Classes.h"

#include <cerrno>

#include "platform/rtl/FileIO.h"
#include "platform/rtl/SysUtils.h"

void TStringList::Check(int index) const {
    if (index < 0 || index >= Count()) throw ERangeError("List index out of bounds (" + std::to_string(index) + ")");
}

int TStringList::Add(const std::string& s) {
    items_.push_back(s);
    return Count() - 1;
}

void TStringList::Insert(int index, const std::string& s) {
    if (index < 0 || index > Count()) throw ERangeError("List index out of bounds (" + std::to_string(index) + ")");
    items_.insert(items_.begin() + index, s);
}

void TStringList::Delete(int index) {
    Check(index);
    items_.erase(items_.begin() + index);
}

int TStringList::IndexOf(const std::string& s) const {
    for (int i = 0; i < Count(); ++i)
        if (items_[i] == s) return i;
    return -1;
}

const std::string& TStringList::operator[](int index) const {
    Check(index);
    return items_[index];
}

std::string& TStringList::operator[](int index) {
    Check(index);
    return items_[index];
}

std::string TStringList::Text() const {
    std::string t;
    for (auto& s : items_) t += s + "\r\n";
    return t;
}

void TStringList::SetText(const std::string& text) {
    items_.clear();
    size_t i = 0;
    while (i < text.size()) {
        size_t e = text.find_first_of("\r\n", i);
        if (e == std::string::npos) {
            items_.push_back(text.substr(i));
            break;
        }
        items_.push_back(text.substr(i, e - i));
        i = e + 1;
        if (text[e] == '\r' && i < text.size() && text[i] == '\n') ++i;
    }
}

void TStringList::LoadFromFile(const std::string& path) {
    std::string text;
    if (!DiskReadAll(path, text)) throw Exception("Cannot open file \"" + path + "\"");
    SetText(text);
}

void TStringList::SaveToFile(const std::string& path) const {
    // Written beside the target and renamed over it, so a failed write leaves an older file whole.
    if (int err = DiskReplace(path, Text())) {
        errno = err;  // the caller may report why
        throw Exception("Cannot create file \"" + path + "\"");
    }
}

int64_t TStream::GetSize() {
    int64_t pos = Seek(0, soFromCurrent);
    int64_t size = Seek(0, soFromEnd);
    Seek(pos, soFromBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}
