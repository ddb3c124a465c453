// Quillmark: indexes of the national topographic map sheets of China.
#include "app/unCreateTessarRg.h"

int main() {
    Application->Initialize();
    RegisterAppClasses();
    Application->CreateForm(frmCreateTessarRg);
    Application->Run();
    return 0;
}
