// Bytes as a page file opened on each page of the main window: the first byte picks the page, the rest is the
// file. A file is loaded or refused in the error box, never anything else; and a refused file leaves the page
// as it was, so the page's own saved text must not change.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/unCreateTessarRg.h"
#include "platform/rtl/FileIO.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/testsupport/UiTest.h"

namespace {
using Command = void (TfrmCreateTessarRg::*)(TObject*);
const Command kOpen[] = {&TfrmCreateTessarRg::VtToolbarButton12Click, &TfrmCreateTessarRg::VtToolbarButton13Click,
                         &TfrmCreateTessarRg::VtToolbarButton24Click, &TfrmCreateTessarRg::VtToolbarButton14Click,
                         &TfrmCreateTessarRg::VtToolbarButton26Click};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/qm_fuzz_page_files_" + std::to_string(getpid()) + ".txt";
    static TfrmCreateTessarRg* form = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        UiTest::Init();
        RegisterAppClasses();
        auto* f = new TfrmCreateTessarRg(Application);
        f->AfterConstruction();
        SetFileDialogHook([](TOpenDialog*) { return path; });
        UiTest::AnswerMessageBoxes(IDOK);
        return f;
    }();
    if (size < 1) return 0;
    if (!DiskWriteAll(path, std::string(reinterpret_cast<const char*>(data + 1), size - 1))) return 0;
    (form->*kOpen[data[0] % 5])(nullptr);
    return 0;
}
