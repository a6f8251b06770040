#pragma once

#include "TemplateDialog.h"

// The about box: the program's name, version and where to read more.
class AboutDialog : public TemplateDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);
};
