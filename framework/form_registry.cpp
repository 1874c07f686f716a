#include "framework/form_registry.h"

namespace {

FormRegistry& registered() {
    static FormRegistry registry;
    return registry;
}

}  // namespace

void RegisterForms(const FormRegistry& registry) { registered() = registry; }

const FormRegistry& RegisteredForms() { return registered(); }

bool FindFormDefinition(const std::string& formName, FormDefinition& out) {
    if (!registered().formDefinition) {
        out = FormDefinition();
        return false;
    }
    return registered().formDefinition(formName, out);
}

bool FindControlDefinition(const std::string& formName, int id, ControlDefinition& out) {
    if (!registered().controlDefinition) {
        out = ControlDefinition();
        return false;
    }
    return registered().controlDefinition(formName, id, out);
}
