#include "platform/ui/Dialogs.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QLocale>
#include <QRegularExpression>

#include "platform/rtl/FileIO.h"
#include "platform/ui/Backend.h"
#include "platform/ui/Forms.h"
#include "platform/ui/QtGlue.h"

const char* const ErrorCaption = "错误";
const char* const InfoCaption = "提示";
const char* const ConfirmCaption = "确认";

namespace {
TFileDialogHook g_fileHook;
const TEnumInfo OpenOptionIdents{{"ofAllowMultiSelect", "ofHideReadOnly", "ofEnableSizing"}};
}

void SetFileDialogHook(TFileDialogHook hook) { g_fileHook = std::move(hook); }


namespace {
// The file list in the program's language. The library formats sizes and dates in the system's locale, whatever
// the program's, has no Chinese word for a folder and calls the size "体积"; a file of one of the dialog's own
// kinds is named as the dialog's filter names it (the type database knows ".mif" as another program's file).
class ChineseFileList : public QIdentityProxyModel {
public:
    // Each kind: its patterns and its name.
    explicit ChineseFileList(std::vector<std::pair<QStringList, QString>> kinds) : kinds_(std::move(kinds)) {}
    QVariant data(const QModelIndex& index, int role) const override {
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || index.column() < 1 || index.column() > 3)
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        const QFileInfo info = files->fileInfo(source);
        const QLocale chinese(QLocale::Chinese, QLocale::China);
        switch (index.column()) {
        case 1: return info.isDir() ? QString() : chinese.formattedDataSize(info.size(), 2, QLocale::DataSizeTraditionalFormat);
        case 2:
            if (info.isDir()) return FromGbk("文件夹");
            for (const auto& [patterns, name] : kinds_)
                if (QDir::match(patterns, info.fileName())) return name;
            return QIdentityProxyModel::data(index, role);
        default: return chinese.toString(info.lastModified(), QLocale::ShortFormat);
        }
    }

    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        static const char* const titles[] = {"名称", "大小", "类型", "修改日期"};
        if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 4) return FromGbk(titles[section]);
        return QIdentityProxyModel::headerData(section, o, role);
    }

private:
    std::vector<std::pair<QStringList, QString>> kinds_;
};

// "MapInfo 交换格式(*.mif)" names its files "MapInfo 交换格式"; a filter for every file names none.
std::vector<std::pair<QStringList, QString>> FilterKinds(const TOpenDialog& d) {
    std::vector<std::pair<QStringList, QString>> kinds;
    for (auto& [text, patterns] : ParseDialogFilter(d.Filter())) {
        const QStringList p = FromGbk(patterns).split(';', Qt::SkipEmptyParts);
        if (p.isEmpty() || p.contains(QStringLiteral("*")) || p.contains(QStringLiteral("*.*"))) continue;
        QString name = FromGbk(text).trimmed();
        static const QRegularExpression shownPatterns(QStringLiteral("\\s*[(（][^()（）]*[)）]$"));
        name.remove(shownPatterns);
        if (!name.isEmpty()) kinds.emplace_back(p, name);
    }
    return kinds;
}
}  // namespace

namespace Backend {
std::unique_ptr<QFileDialog> NewFileDialog(const TOpenDialog& d) {
    QStringList filters;
    for (auto& [text, patterns] : ParseDialogFilter(d.Filter())) {
        QString p = FromGbk(patterns);
        p.replace(';', ' ');
        filters << FromGbk(text) + " (" + p + ")";
    }
    const bool save = d.IsSave();
    const std::string title = !d.Title().empty() ? d.Title() : save ? "另存为" : "打开";
    auto dlg = std::make_unique<QFileDialog>(nullptr, FromGbk(title), FromGbk(d.InitialDir()));
    OwnDialog(dlg.get());
    // The library's own dialog, so that every text in it is the program's.
    dlg->setOption(QFileDialog::DontUseNativeDialog);
    dlg->setProxyModel(new ChineseFileList(FilterKinds(d)));
    // The patterns are there for the dialog; the user sees each filter's text as the form gives it.
    dlg->setOption(QFileDialog::HideNameFilterDetails);
    dlg->setLabelText(QFileDialog::LookIn, FromGbk("查找范围："));  // a plain label: no mnemonic
    dlg->setLabelText(QFileDialog::FileName, FromGbk("文件名(&N)："));
    dlg->setLabelText(QFileDialog::FileType, FromGbk("文件类型(&T)："));
    // The library gives only the file name's label its field: without one a label shows its "&" as it stands.
    auto* typeLabel = dlg->findChild<QLabel*>(QStringLiteral("fileTypeLabel"));
    auto* typeCombo = dlg->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    if (typeLabel && typeCombo) typeLabel->setBuddy(typeCombo);
    dlg->setLabelText(QFileDialog::Accept, FromGbk(save ? "保存(&S)" : "打开(&O)"));
    dlg->setLabelText(QFileDialog::Reject, FromGbk("取消"));
    dlg->setNameFilters(filters);
    if (d.FilterIndex() >= 1 && d.FilterIndex() <= filters.size()) dlg->selectNameFilter(filters[d.FilterIndex() - 1]);
    dlg->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // The program's save dialogs replace a chosen file as they are told; none asks first.
    dlg->setOption(QFileDialog::DontConfirmOverwrite);
    dlg->setFileMode(save ? QFileDialog::AnyFile : d.MultiSelect() ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (!d.FileName().empty()) dlg->selectFile(FromGbk(d.FileName()));
    return dlg;
}
}  // namespace Backend

std::vector<std::pair<std::string, std::string>> ParseDialogFilter(const std::string& filter) {
    std::vector<std::pair<std::string, std::string>> out;
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= filter.size() && !filter.empty()) {
        size_t e = filter.find('|', i);
        if (e == std::string::npos) e = filter.size();
        parts.push_back(filter.substr(i, e - i));
        i = e + 1;
    }
    for (size_t k = 0; k + 1 < parts.size(); k += 2) out.emplace_back(parts[k], parts[k + 1]);
    return out;
}

const TClassInfo& TOpenDialog::StaticClass() {
    static TClassInfo ci = [] {
        TClassInfo c{"TOpenDialog", &TComponent::StaticClass(), Creator<TOpenDialog>(), {}, {}};
        c.props = {StrProp<TOpenDialog>("Filter", &TOpenDialog::Filter, &TOpenDialog::SetFilter),
                   OrdProp<TOpenDialog, int>("FilterIndex", &TOpenDialog::FilterIndex, &TOpenDialog::SetFilterIndex, 1),
                   StrProp<TOpenDialog>("DefaultExt", &TOpenDialog::DefaultExt, &TOpenDialog::SetDefaultExt),
                   StrProp<TOpenDialog>("FileName", &TOpenDialog::FileName, &TOpenDialog::SetFileName),
                   StrProp<TOpenDialog>("InitialDir", &TOpenDialog::InitialDir, &TOpenDialog::SetInitialDir),
                   StrProp<TOpenDialog>("Title", &TOpenDialog::Title, &TOpenDialog::SetTitle),
                   SetProp<TOpenDialog, TOpenOptions>("Options", &TOpenDialog::Options, &TOpenDialog::SetOptions,
                                                      &OpenOptionIdents, 0)};
        return c;
    }();
    return ci;
}

QM_CLASS_RECORD(TSaveDialog, TOpenDialog)

TOpenDialog::TOpenDialog(TComponent* owner) : TComponent(owner) {}

bool TOpenDialog::Execute() {
    std::string chosen;
    files_.clear();
    if (g_fileHook) {
        chosen = g_fileHook(this);
        if (!MultiSelect() && files_.size() > 1) files_.resize(1);
        if (chosen.empty() && !files_.empty()) chosen = files_.front();
    } else {
        Application->Initialize();
        if (QGuiApplication::platformName() == QLatin1String("offscreen")) return false;
        std::unique_ptr<QFileDialog> made = Backend::NewFileDialog(*this);
        const QStringList filters = made->nameFilters();
        bool freed = false;
        const int answer = Backend::RunOwnedDialog(made.get(), freed);
        if (freed) {
            (void)made.release();
            return false;
        }
        QFileDialog& dlg = *made;
        if (answer != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
        // A name with no GBK form keeps its GB18030 one: it shows in messages, and no file helper opens it.
        for (const QString& picked : dlg.selectedFiles()) {
            const QByteArray disk = QFile::encodeName(picked);
            std::string name;
            if (!DiskNameToGbk(std::string(disk.constData(), size_t(disk.size())), name)) name = ToGbk(picked);
            files_.push_back(name);
        }
        chosen = files_.front();
        int idx = int(filters.indexOf(dlg.selectedNameFilter()));
        if (idx >= 0) filterIndex_ = idx + 1;
    }
    if (chosen.empty()) return false;
    // A name without an extension gets the default one.
    size_t slash = chosen.find_last_of('/');
    size_t dot = chosen.find_last_of('.');
    bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    if (!hasExt && !defaultExt_.empty()) chosen += "." + defaultExt_;
    fileName_ = chosen;
    if (files_.empty()) files_.push_back(chosen);
    else files_.front() = chosen;
    return true;
}

void ShowErrorBox(const std::string& text) { Application->MessageBox(text, ErrorCaption, MB_OK | MB_ICONSTOP); }
void ShowInfoBox(const std::string& text) { Application->MessageBox(text, InfoCaption, MB_OK | MB_ICONINFORMATION); }
bool ShowConfirmBox(const std::string& text) {
    return Application->MessageBox(text, ConfirmCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}
