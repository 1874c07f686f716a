#pragma once
// What the program hands the framework before any form exists: its table of
// forms and controls, the procedure of each form that has one of its own, and
// which form is the main window. The framework knows no form by name.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "framework/form_definition.h"

struct FormRegistry {
    // Both return false for an unknown form or control; names as given.
    bool (*formDefinition)(const std::string& formName, FormDefinition& out) = nullptr;
    bool (*controlDefinition)(const std::string& formName, int id, ControlDefinition& out) = nullptr;
    // Upper-cased form name and its procedure; other defined forms get the skeleton.
    std::vector<std::pair<std::string, DLGPROC>> procedures;
    std::string mainForm;          // what ApplicationStart creates and runs
    HWND* mainWindow = nullptr;    // receives the main form's window once created
    // Called with the main form's window and the start-up show command once
    // the window exists and before it is first shown; may be left empty.
    void (*prepareMainForm)(HWND form, int showCommand) = nullptr;
};

// Replaces what was registered before.
void RegisterForms(const FormRegistry& registry);
const FormRegistry& RegisteredForms();

// The registered table's answers; false when nothing is registered.
bool FindFormDefinition(const std::string& formName, FormDefinition& out);
bool FindControlDefinition(const std::string& formName, int id, ControlDefinition& out);
