// Quillmark: indexes of the national topographic map sheets of China.
#include "app/unCreateTessarRg.h"
#include "gis/layers/GisSymbol.h"

int main() {
    Application->Initialize();
    // The symbol list outlives every window; it is made before the first one.
    GisSymbolList();
    RegisterAppClasses();
    Application->CreateForm(frmCreateTessarRg);
    Application->Run();
    return 0;
}
