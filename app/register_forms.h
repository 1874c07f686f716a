#pragma once
// Hands the framework Tobrix's forms: the definitions table, FORM1's
// procedure, and where FORM1's window is kept. Called before any form exists,
// by the program and by tests that create the program's forms.
void RegisterTobrixForms();
