#include "app/register_forms.h"

#include "framework/form_registry.h"
#include "ui/forms/definitions.h"
#include "ui/ids.h"
#include "ui/main_window.h"
#include "ui/prize_round_commands.h"
#include "ui/roster_import.h"

void RegisterTobrixForms() {
    FormRegistry forms;
    forms.formDefinition = GetFormDefinition;
    forms.controlDefinition = GetControlDefinition;
    forms.procedures = {{kMainFormName, MainWindowProcedure},
                        {kPrizeEditorFormName, PrizeEditorProcedure},
                        {kRedrawFormName, RedrawFormProcedure},
                        {kRosterFormName, RosterFormProcedure}};
    forms.mainForm = kMainFormName;
    forms.prepareMainForm = PrepareMainWindow;
    RegisterForms(forms);
}
