#include "gui/dialogs/window_fit.h"

#include <wx/anybutton.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/ctrlsub.h>
#include <wx/hyperlink.h>
#include <wx/listbox.h>
#include <wx/radiobut.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/treectrl.h>

#include <algorithm>

namespace {

bool ShowsOwnText(wxWindow* window) {
    if (auto* label = dynamic_cast<wxStaticText*>(window)) {
        // An ellipsised label is meant to give way.
        return !label->HasFlag(wxST_ELLIPSIZE_START | wxST_ELLIPSIZE_MIDDLE | wxST_ELLIPSIZE_END);
    }
    return dynamic_cast<wxAnyButton*>(window) || dynamic_cast<wxCheckBox*>(window) ||
           dynamic_cast<wxRadioButton*>(window) || dynamic_cast<wxControlWithItems*>(window) ||
           dynamic_cast<wxHyperlinkCtrl*>(window);
}

bool IsField(wxWindow* window) {
    if (!window->IsEnabled() || !window->IsShown()) {
        return false;
    }
    if (auto* text = dynamic_cast<wxTextCtrl*>(window)) {
        return text->IsEditable();
    }
    return dynamic_cast<wxChoice*>(window) || dynamic_cast<wxSpinCtrl*>(window);
}

void Grow(wxWindow* window, bool* grew) {
    for (wxWindow* child : window->GetChildren()) {
        if (child->IsTopLevel()) {
            continue;
        }
        if (ShowsOwnText(child)) {
            // Lists and labels may have changed since their size was last asked.
            child->InvalidateBestSize();
            const int best = child->GetBestSize().x;
            const wxSize min = child->GetMinSize();
            if (min.x >= 0 && min.x < best) {
                child->SetMinSize(wxSize(best, min.y));
                *grew = true;
            } else if (child->GetContainingSizer() == nullptr && child->GetSize().x < best) {
                child->SetSize(wxSize(best, child->GetSize().y));
                *grew = true;
            }
        }
        Grow(child, grew);
    }
}

wxWindow* FirstField(wxWindow* window) {
    for (wxWindow* child : window->GetChildren()) {
        if (child->IsTopLevel()) {
            continue;
        }
        if (IsField(child)) {
            return child;
        }
        if (wxWindow* found = FirstField(child)) {
            return found;
        }
    }
    return nullptr;
}

// The right edge of the item's label and of those shown below it, depth levels in.
void MeasureLabels(const wxTreeCtrl& tree, const wxTreeItemId& item, int depth, int* widest) {
    wxFont font = tree.GetItemFont(item);
    if (!font.IsOk()) {
        font = tree.GetFont();
    }
    if (tree.IsBold(item)) {
        font.MakeBold();
    }
    int width = 0;
    tree.GetTextExtent(tree.GetItemText(item), &width, nullptr, nullptr, nullptr, &font);
    *widest = std::max(*widest, depth * static_cast<int>(tree.GetIndent()) + width);
    if (!tree.IsExpanded(item)) {
        return;
    }
    wxTreeItemIdValue cookie;
    for (wxTreeItemId child = tree.GetFirstChild(item, cookie); child.IsOk();
         child = tree.GetNextChild(item, cookie)) {
        MeasureLabels(tree, child, depth + 1, widest);
    }
}

}  // namespace

bool GrowToBestWidths(wxWindow* top) {
    bool grew = false;
    if (top != nullptr) {
        Grow(top, &grew);
    }
    return grew;
}

wxWindow* FindFirstField(wxWindow* top) {
    return top != nullptr ? FirstField(top) : nullptr;
}

int TreeLabelsWidth(const wxTreeCtrl& tree) {
    const wxTreeItemId root = tree.GetRootItem();
    if (!root.IsOk()) {
        return 0;
    }
    // Where the first label below the root starts, once the tree has placed it; each level
    // further in steps in by the indent.
    const bool rootShown = !tree.HasFlag(wxTR_HIDE_ROOT);
    wxTreeItemIdValue cookie;
    const wxTreeItemId first = tree.GetFirstChild(root, cookie);
    wxRect placed;
    int origin = static_cast<int>(tree.GetIndent()) * (rootShown ? 1 : 0);
    if (first.IsOk() && tree.IsVisible(first) && tree.GetBoundingRect(first, placed, true)) {
        origin = placed.x;
    }
    int widest = 0;
    if (rootShown) {
        MeasureLabels(tree, root, -1, &widest);
    } else {
        for (wxTreeItemId item = first; item.IsOk(); item = tree.GetNextChild(root, cookie)) {
            MeasureLabels(tree, item, 0, &widest);
        }
    }
    return origin + widest;
}
