#include <QApplication>
#include "platform/ui/UiTest.h"
namespace UiTest {
void Init() {
    static int argc = 1;
    static char name[] = "quillmark-test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QApplication(argc, argv);
}
}
// The font configuration library keeps caches for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
