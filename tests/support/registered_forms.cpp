// Linked into the tests that create the program's own forms: the program
// registers them in WinMain, which a test executable does not run.
#include "app/register_forms.h"

namespace {

const bool registered = (RegisterTobrixForms(), true);

}  // namespace
