#pragma once

#include "TemplateDialog.h"

// The help dialog: how to use the program, in fixed text.
class AideDialog : public TemplateDialog {
    Q_OBJECT

public:
    explicit AideDialog(QWidget* parent = nullptr);
};
