#include "AboutDialog.h"

namespace {

constexpr int aboutTemplateId = 100;

}

AboutDialog::AboutDialog(QWidget* parent) : TemplateDialog(aboutTemplateId, parent) {}
