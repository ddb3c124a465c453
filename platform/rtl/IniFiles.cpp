#include "platform/rtl/IniFiles.h"

#include "platform/rtl/FileIO.h"
#include "platform/rtl/SysUtils.h"

namespace {
// Names compare as AnsiCompareText does.
std::string Fold(const std::string& name) { return AnsiLowerCase(name); }
}  // namespace

struct TMemIniFile::Section {
    struct Line {
        std::string key, value;
        bool keyed;  // false: a line without '=', kept as it stands in `key`
        std::string Text() const { return keyed ? key + "=" + value : key; }
    };
    std::string name;
    std::vector<Line> lines;
    std::unordered_map<std::string, size_t> byKey;  // the first line of each key

    void Index() {
        byKey.clear();
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].keyed) byKey.emplace(Fold(lines[i].key), i);
    }
    const Line* Find(const std::string& key) const {
        auto it = byKey.find(Fold(key));
        return it == byKey.end() ? nullptr : &lines[it->second];
    }
};

TMemIniFile::TMemIniFile(const std::string& fileName) : fileName_(fileName) { Load(); }

TMemIniFile::~TMemIniFile() = default;

void TMemIniFile::Load() {
    Clear();
    if (fileName_.empty() || !DiskExists(fileName_)) return;
    TStringList lines;
    lines.LoadFromFile(fileName_);
    SetStrings(lines);
}

TMemIniFile::Section* TMemIniFile::Find(const std::string& section) const {
    auto it = byName_.find(Fold(section));
    return it == byName_.end() ? nullptr : it->second;
}

TMemIniFile::Section& TMemIniFile::Add(const std::string& section) {
    if (Section* s = Find(section)) return *s;
    sections_.push_back(std::make_unique<Section>());
    Section* s = sections_.back().get();
    s->name = section;
    byName_.emplace(Fold(section), s);
    return *s;
}

std::string TMemIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& def) const {
    const Section* s = Find(section);
    const Section::Line* l = s ? s->Find(ident) : nullptr;
    return l ? l->value : def;
}

void TMemIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
    Section& s = Add(section);
    auto it = s.byKey.find(Fold(ident));
    if (it != s.byKey.end()) {
        s.lines[it->second].value = value;
        return;
    }
    s.lines.push_back({ident, value, true});
    s.byKey.emplace(Fold(ident), s.lines.size() - 1);
}

bool TMemIniFile::SectionExists(const std::string& section) const { return Find(section) != nullptr; }

bool TMemIniFile::ValueExists(const std::string& section, const std::string& ident) const {
    const Section* s = Find(section);
    return s && s->Find(ident);
}

void TMemIniFile::ReadSection(const std::string& section, TStringList& keys) const {
    keys.Clear();
    if (const Section* s = Find(section))
        for (auto& l : s->lines)
            if (l.keyed) keys.Add(l.key);
}

void TMemIniFile::ReadSections(TStringList& sections) const {
    sections.Clear();
    for (auto& s : sections_) sections.Add(s->name);
}

void TMemIniFile::EraseSection(const std::string& section) {
    Section* s = Find(section);
    if (!s) return;
    byName_.erase(Fold(section));
    for (auto it = sections_.begin(); it != sections_.end(); ++it)
        if (it->get() == s) {
            sections_.erase(it);
            break;
        }
}

void TMemIniFile::DeleteKey(const std::string& section, const std::string& ident) {
    Section* s = Find(section);
    if (!s) return;
    auto it = s->byKey.find(Fold(ident));
    if (it == s->byKey.end()) return;
    s->lines.erase(s->lines.begin() + static_cast<std::ptrdiff_t>(it->second));
    s->Index();
}

void TMemIniFile::Clear() {
    sections_.clear();
    byName_.clear();
}

void TMemIniFile::GetStrings(TStringList& lines) const {
    lines.Clear();
    for (auto& s : sections_) {
        lines.Add("[" + s->name + "]");
        for (auto& l : s->lines) lines.Add(l.Text());
    }
}

void TMemIniFile::SetStrings(const TStringList& lines) {
    Clear();
    Section* current = nullptr;
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string line = Trim(lines[i]);
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[' && line.back() == ']') {
            current = &Add(Trim(line.substr(1, line.size() - 2)));
            continue;
        }
        if (!current) continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos) {
            current->lines.push_back({line, "", false});
            continue;
        }
        std::string key = Trim(line.substr(0, eq));
        current->lines.push_back({key, line.substr(eq + 1), true});
        current->byKey.emplace(Fold(key), current->lines.size() - 1);
    }
}

void TMemIniFile::Rename(const std::string& fileName, bool reload) {
    fileName_ = fileName;
    if (reload) Load();
}

void TMemIniFile::UpdateFile(const std::string& backupName) const {
    // A blank line between sections, for whoever reads the file.
    std::string text;
    for (auto& s : sections_) {
        if (!text.empty()) text += "\r\n";
        text += "[" + s->name + "]\r\n";
        for (auto& l : s->lines) text += l.Text() + "\r\n";
    }
    if (int err = DiskReplace(fileName_, text, backupName))
        throw EWriteError("无法保存文件“" + fileName_ + "”。" + FileErrorText(err), fileName_, err);
}
