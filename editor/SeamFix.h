#pragma once

#include "problem.h"

class QuadrelDlg;

// "Coller contre" on a seam of the 3D view's problem list: the box of the form moves when it is
// one of the two, otherwise the problem's first box, as one edit through the main window's
// commands; the form then shows the moved box as it now stands. False when nothing was applied.
bool closeSeam(QuadrelDlg& mainWindow, const Problem& problem);
// Whether closeSeam would apply: a seam of the document open whose faces are parallel enough
// for one box to lie on the other. Either box may move: both are refused alike.
bool canCloseSeam(const QuadrelDlg& mainWindow, const Problem& problem);
