#include "Aide.h"

namespace {

constexpr int helpTemplateId = 134;

}

AideDialog::AideDialog(QWidget* parent) : TemplateDialog(helpTemplateId, parent) {}
