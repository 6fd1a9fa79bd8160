#include "gui/main/popup_menus.h"

#include <wx/menu.h>

#include <set>

const CommandFamily& OverviewCommands() {
    using C = CommandId;
    using N = CommandNeeds;
    static const CommandFamily family = {
        {C::UnbookAppointment, "Unbook Appointment",
         "Unbook the current appointment but keep the request", N::Nothing, nullptr},
        {C::DeleteRequest, "Delete Request",
         "Unbook the current appointment and delete the request", N::Nothing, nullptr},
        {C::AddBreak, "Add Break", "Add a break in this slot", N::Nothing, nullptr},
        // No menu offers it; the overview still answers it.
        {C::RemoveBreak, "", "", N::Nothing, nullptr},
        {C::ChangeAppearance, "Change Appearance", "Change the appearance of this view", N::Nothing,
         nullptr},
    };
    return family;
}

namespace {

// A line as the tables below give it: whether the lock greys it out, and texts of its own
// where its place asks for other words than its command's.
struct PopupLine {
    CommandId id;
    bool lockable = false;
    const char* label = nullptr;
    const char* help = nullptr;
};

const PopupLine kSeparator = {CommandId::None};

PopupMenuTable Resolve(const std::vector<PopupLine>& lines, bool locked,
                       const CommandAvailable& available) {
    PopupMenuTable table;
    for (const PopupLine& line : lines) {
        if (line.id == CommandId::None) {
            table.push_back({line.id, "", "", true});
            continue;
        }
        const Command* command = FindCommand(line.id);
        const bool runs = !available || available(line.id);
        table.push_back({line.id, line.label ? line.label : command->label,
                         line.help ? line.help : command->help,
                         runs && !(locked && line.lockable)});
    }
    return table;
}

using C = CommandId;

const std::vector<PopupLine> kEmailLines = {
    {C::SendPersonInvitationEmail}, {C::SendPersonReminderEmail}, {C::SendPersonResultsEmail},
    {C::PreviewInvitationEmail},    {C::PreviewReminderEmail},    {C::PreviewResultsEmail},
};

std::vector<PopupLine> WithEmails(std::vector<PopupLine> lines) {
    lines.insert(lines.end(), kEmailLines.begin(), kEmailLines.end());
    return lines;
}

std::vector<PopupLine> TreeLines(TreeItemKind kind) {
    switch (kind) {
        case TreeItemKind::PresentationsBranch:
            return {{C::AddPresentation, false, "&Add Presentation", "Add a new presentation"}};
        case TreeItemKind::FormGroup:
            return {{C::BookFormAppointment, true}};
        case TreeItemKind::Teacher:
            return {{C::EditTeacher, false, "&Edit Teacher"},
                    {C::EditPresentationsAttended, true},
                    {C::EditTeacherAppointments},
                    {C::DeleteTeacher, true, "&Delete Teacher"},
                    {C::PrintPreviewSelected},
                    {C::SendPersonResultsEmail},
                    {C::PreviewResultsEmail}};
        case TreeItemKind::Parent:
            return WithEmails({{C::EditParent, false, "&Edit Parent"},
                               {C::EditPresentationsAttended, true},
                               {C::DeleteParent, true, "&Delete Parent"},
                               {C::PrintPreviewSelected, false, "&Print Parent Handout",
                                "Print the handout for the selected parent"}});
        case TreeItemKind::Pupil:
            return WithEmails({{C::EditPupil, false, "&Edit Pupil"},
                               {C::EditParent, false, "Edit Pupil's Pa&rent",
                                "Edit the currently selected pupil's parent"},
                               {C::EditAppointments, false, "Edit &Appointments",
                                "Edit the appointments for the selected pupil"},
                               {C::PrintPreviewSelected, false, "&Print Parent Handout",
                                "Print the handout for the selected pupil's parent"}});
        case TreeItemKind::Presentation:
            return {{C::SetAllTeachersAttending, true},
                    {C::SetAllParentsAttending, true},
                    {C::EditPresentation, false, "&Edit Presentation"},
                    {C::DeletePresentation, true, "&Delete Presentation"}};
        default:
            return {};
    }
}

std::vector<PopupLine> OverviewLines(OverviewMenuKind kind) {
    const PopupLine appearance = {C::ChangeAppearance};
    switch (kind) {
        case OverviewMenuKind::Background:
            return {appearance};
        case OverviewMenuKind::Parent:
            return {{C::EditParent, false, "Edit Parent"}, kSeparator, appearance};
        case OverviewMenuKind::Teacher:
            return {{C::EditTeacher, false, "Edit Teacher"}, {C::AddBreak}, kSeparator, appearance};
        case OverviewMenuKind::Appointment:
            return {
                {C::UnbookAppointment, true},
                {C::DeleteRequest, true},
                kSeparator,
                {C::AddBreak, true},
                kSeparator,
                {C::EditTeacher, false, "Edit Teacher", "Edit the teacher for this appointment"},
                {C::EditParent, false, "Edit Parent", "Edit the parent for this appointment"},
                {C::EditPupil, true, "Edit Pupil", "Edit the pupil for this appointment"},
                kSeparator,
                appearance};
    }
    return {};
}

}  // namespace

PopupMenuTable TreeMenu(TreeItemKind kind, bool locked, const CommandAvailable& available) {
    return Resolve(TreeLines(kind), locked, available);
}

PopupMenuTable OverviewMenu(OverviewMenuKind kind, bool locked, bool teacherRowHit,
                            const CommandAvailable& available) {
    // The overview runs its own commands; only the editors depend on the window.
    auto own = [&available](CommandId id) {
        const Command* command = FindCommand(id);
        return (command && !command->run) || !available || available(id);
    };
    PopupMenuTable table = Resolve(OverviewLines(kind), locked, own);
    if (kind == OverviewMenuKind::Appointment && !teacherRowHit) {
        for (PopupEntry& entry : table) {
            if (entry.id == CommandId::AddBreak) {
                entry.enabled = false;
            }
        }
    }
    return table;
}

std::vector<CommandId> PopupCommands() {
    std::set<CommandId> ids;
    auto add = [&ids](const std::vector<PopupLine>& lines) {
        for (const PopupLine& line : lines) {
            if (line.id != CommandId::None) {
                ids.insert(line.id);
            }
        }
    };
    for (int kind = 0; kind <= static_cast<int>(TreeItemKind::Other); ++kind) {
        add(TreeLines(static_cast<TreeItemKind>(kind)));
    }
    for (int kind = 0; kind <= static_cast<int>(OverviewMenuKind::Appointment); ++kind) {
        add(OverviewLines(static_cast<OverviewMenuKind>(kind)));
    }
    return {ids.begin(), ids.end()};
}

wxMenu* BuildPopupMenu(const PopupMenuTable& table) {
    auto* menu = new wxMenu;
    for (const PopupEntry& entry : table) {
        if (entry.id == CommandId::None) {
            menu->AppendSeparator();
            continue;
        }
        menu->Append(WxId(entry.id), wxString::FromUTF8(entry.label),
                     wxString::FromUTF8(entry.help));
        menu->Enable(WxId(entry.id), entry.enabled);
    }
    return menu;
}
