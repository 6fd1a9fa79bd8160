#include "gui/main/popup_menus.h"

#include <wx/menu.h>

#include "gui/main/frame_commands.h"

namespace {

// A line as the tables below give it: whether the lock greys it out.
struct PopupLine {
    int id;
    const char* label;
    const char* help;
    bool lockable;
};

PopupMenuTable Resolve(const std::vector<PopupLine>& lines, bool locked,
                       const CommandAvailable& available) {
    PopupMenuTable table;
    for (const PopupLine& line : lines) {
        const bool runs = line.id == 0 || !available || available(line.id);
        table.push_back({line.id, line.label, line.help, runs && !(locked && line.lockable)});
    }
    return table;
}

const std::vector<PopupLine> kEmailEntries = {
    {ID_SEND_PERSON_INVITATION_EMAIL, "Send Invitation Email",
     "Send just this person's invitation email", false},
    {ID_SEND_PERSON_REMINDER_EMAIL, "Send Reminder Email", "Send just this person's reminder email",
     false},
    {ID_SEND_PERSON_RESULTS_EMAIL, "&Send Results Email", "Send just this person's results email",
     false},
    {ID_PREVIEW_INVITATION_EMAIL, "Preview &Invitation Email",
     "Show a preview of the invitation email to this person", false},
    {ID_PREVIEW_REMINDER_EMAIL, "Preview Reminder Email",
     "Show a preview of the reminder email to this person", false},
    {ID_PREVIEW_RESULTS_EMAIL, "Pre&view Results Email",
     "Show a preview of the results email to this person", false},
};

std::vector<PopupLine> WithEmails(std::vector<PopupLine> lines) {
    lines.insert(lines.end(), kEmailEntries.begin(), kEmailEntries.end());
    return lines;
}

const PopupLine kEditPresentations = {ID_EDIT_PRESENTATIONS_ATTENDED, "Edit &Presentations",
                                      "View and alter this person's presentations", true};

std::vector<PopupLine> TreeLines(TreeItemKind kind) {
    switch (kind) {
        case TreeItemKind::PresentationsBranch:
            return {{ID_ADD_PRESENTATION, "&Add Presentation", "Add a new presentation", false}};
        case TreeItemKind::FormGroup:
            return {{ID_BOOK_FORM_APPOINTMENT, "Book Form Appointment",
                     "Make an appointment for every pupil in this form", true}};
        case TreeItemKind::Teacher:
            return {
                {ID_EDIT_TEACHER, "&Edit Teacher", "Edit the currently selected teacher", false},
                kEditPresentations,
                {ID_EDIT_TEACHER_APPOINTMENTS, "Edit Appointments",
                 "Edit the appointments for the selected teacher", false},
                {ID_DELETE_TEACHER, "&Delete Teacher", "Delete the selected teacher", true},
                {ID_PRINT_PREVIEW_SELECTED, "&Print Teacher Handout",
                 "Print the handout for the selected teacher", false},
                kEmailEntries[2],
                kEmailEntries[5]};
        case TreeItemKind::Parent:
            return WithEmails(
                {{ID_EDIT_PARENT, "&Edit Parent", "Edit the currently selected parent", false},
                 kEditPresentations,
                 {ID_DELETE_PARENT, "&Delete Parent", "Delete the selected parent", true},
                 {ID_PRINT_PREVIEW_SELECTED, "&Print Parent Handout",
                  "Print the handout for the selected parent", false}});
        case TreeItemKind::Pupil:
            return WithEmails(
                {{ID_EDIT_PUPIL, "&Edit Pupil", "Edit the currently selected pupil", false},
                 {ID_EDIT_PARENT, "Edit Pupil's Pa&rent",
                  "Edit the currently selected pupil's parent", false},
                 {ID_EDIT_APPOINTMENTS, "Edit &Appointments",
                  "Edit the appointments for the selected pupil", false},
                 {ID_PRINT_PREVIEW_SELECTED, "&Print Parent Handout",
                  "Print the handout for the selected pupil's parent", false}});
        case TreeItemKind::Presentation:
            return {{ID_SET_ALL_TEACHERS_ATTENDING, "Set All &Teachers Attending",
                     "Invite all teachers to the presentation", true},
                    {ID_SET_ALL_PARENTS_ATTENDING, "Set All &Parents Attending",
                     "Invite all parents to the presentation", true},
                    {ID_EDIT_PRESENTATION, "&Edit Presentation",
                     "Edit the currently selected presentation", false},
                    {ID_DELETE_PRESENTATION, "&Delete Presentation",
                     "Delete the selected presentation", true}};
        default:
            return {};
    }
}

}  // namespace

PopupMenuTable TreeMenu(TreeItemKind kind, bool locked, const CommandAvailable& available) {
    return Resolve(TreeLines(kind), locked, available);
}

PopupMenuTable OverviewMenu(OverviewMenuKind kind, bool locked, bool teacherRowHit,
                            const CommandAvailable& available) {
    const PopupLine separator = {0, "", "", false};
    const PopupLine appearance = {ID_CHANGE_APPEARANCE, "Change Appearance",
                                  "Change the appearance of this view", false};
    // The overview runs these itself; only the editors depend on the window.
    auto own = [&available](int id) {
        const bool editor = id == ID_EDIT_TEACHER || id == ID_EDIT_PARENT || id == ID_EDIT_PUPIL;
        return !editor || !available || available(id);
    };
    switch (kind) {
        case OverviewMenuKind::Background:
            return Resolve({appearance}, locked, own);
        case OverviewMenuKind::Parent:
            return Resolve(
                {{ID_EDIT_PARENT, "Edit Parent", "Edit the currently selected parent", false},
                 separator,
                 appearance},
                locked, own);
        case OverviewMenuKind::Teacher:
            return Resolve(
                {{ID_EDIT_TEACHER, "Edit Teacher", "Edit the currently selected teacher", false},
                 {ID_ADD_BREAK, "Add Break", "Add a break in this slot", false},
                 separator,
                 appearance},
                locked, own);
        case OverviewMenuKind::Appointment: {
            PopupMenuTable table = Resolve(
                {{ID_UNBOOK_APPOINTMENT, "Unbook Appointment",
                  "Unbook the current appointment but keep the request", true},
                 {ID_DELETE_REQUEST, "Delete Request",
                  "Unbook the current appointment and delete the request", true},
                 separator,
                 {ID_ADD_BREAK, "Add Break", "Add a break in this slot", true},
                 separator,
                 {ID_EDIT_TEACHER, "Edit Teacher", "Edit the teacher for this appointment", false},
                 {ID_EDIT_PARENT, "Edit Parent", "Edit the parent for this appointment", false},
                 {ID_EDIT_PUPIL, "Edit Pupil", "Edit the pupil for this appointment", true},
                 separator,
                 appearance},
                locked, own);
            for (PopupEntry& entry : table) {
                if (entry.id == ID_ADD_BREAK && !teacherRowHit) {
                    entry.enabled = false;
                }
            }
            return table;
        }
    }
    return {};
}

wxMenu* BuildPopupMenu(const PopupMenuTable& table) {
    auto* menu = new wxMenu;
    for (const PopupEntry& entry : table) {
        if (entry.id == 0) {
            menu->AppendSeparator();
            continue;
        }
        menu->Append(entry.id, wxString::FromUTF8(entry.label), wxString::FromUTF8(entry.help));
        menu->Enable(entry.id, entry.enabled);
    }
    return menu;
}
