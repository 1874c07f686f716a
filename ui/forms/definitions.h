#pragma once
// The vocabulary of the user interface: every form, control, menu item and
// event entry of the program, as the tables the form framework turns into
// windows. Registered with the framework at start-up.
#include <string>

#include "framework/form_definition.h"

// Form names are compared trimmed and upper-cased. Both return false when
// there is no such form or control; the output is reset first either way.
bool GetFormDefinition(const std::string& formName, FormDefinition& out);
bool GetControlDefinition(const std::string& formName, int id, ControlDefinition& out);
