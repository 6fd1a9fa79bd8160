#pragma once

class wxTreeCtrl;
class wxWindow;

// A design width is a minimum, never a size: every control below top that shows its own text
// (a label, button, check box, choice or list) gets at least the width that text needs. Text
// boxes scroll and are left alone. True when any control grew; the caller then lays out again.
bool GrowToBestWidths(wxWindow* top);

// Where the keyboard starts: the first enabled text box or choice below top, in tab order;
// null when there is none.
wxWindow* FindFirstField(wxWindow* top);

// The width the tree needs to show the labels of its open branches whole.
int TreeLabelsWidth(const wxTreeCtrl& tree);
