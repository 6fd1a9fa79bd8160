#include "gui/main/popup_menus.h"

#include <wx/menu.h>

#include <optional>
#include <set>

namespace {

// A line as the tables below give it: texts of its own where its place asks for other words
// than its command's, and a rule of its own where its place has one.
struct PopupLine {
    CommandId id;
    const char* label = nullptr;
    const char* help = nullptr;
    std::optional<CommandNeeds> needs = std::nullopt;
};

const PopupLine kSeparator = {CommandId::None};

PopupMenuTable Resolve(const std::vector<PopupLine>& lines, const FrameState& state,
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
                         runs && IsCommandAllowed(line.needs.value_or(command->needs), state)});
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

using N = CommandNeeds;

std::vector<PopupLine> TreeLines(TreeItemKind kind) {
    switch (kind) {
        case TreeItemKind::PresentationsBranch:
            // Offered even before there is an event, where it does nothing.
            return {
                {C::AddPresentation, "&Add Presentation", "Add a new presentation", N::Nothing}};
        case TreeItemKind::FormGroup:
            return {{C::BookFormAppointment}};
        case TreeItemKind::Teacher:
            return {{C::EditTeacher, "&Edit Teacher"}, {C::EditPresentationsAttended},
                    {C::EditTeacherAppointments},      {C::DeleteTeacher, "&Delete Teacher"},
                    {C::PrintPreviewSelected},         {C::SendPersonResultsEmail},
                    {C::PreviewResultsEmail}};
        case TreeItemKind::Parent:
            return WithEmails({{C::EditParent, "&Edit Parent"},
                               {C::EditPresentationsAttended},
                               {C::DeleteParent, "&Delete Parent"},
                               {C::PrintPreviewSelected, "&Print Parent Handout",
                                "Print the handout for the selected parent"}});
        case TreeItemKind::Pupil:
            // A locked event still opens a pupil's appointments; the editor keeps what is booked.
            return WithEmails({{C::EditPupil, "&Edit Pupil"},
                               {C::EditParent, "Edit Pupil's Pa&rent",
                                "Edit the currently selected pupil's parent"},
                               {C::EditAppointments, "Edit &Appointments",
                                "Edit the appointments for the selected pupil", N::Loaded},
                               {C::PrintPreviewSelected, "&Print Parent Handout",
                                "Print the handout for the selected pupil's parent"}});
        case TreeItemKind::Presentation:
            return {{C::SetAllTeachersAttending},
                    {C::SetAllParentsAttending},
                    {C::EditPresentation, "&Edit Presentation"},
                    {C::DeletePresentation, "&Delete Presentation"}};
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
            return {{C::EditParent, "Edit Parent"}, kSeparator, appearance};
        case OverviewMenuKind::Teacher:
            // On a locked event the day refuses the break with its own message.
            return {{C::EditTeacher, "Edit Teacher"},
                    {C::AddBreak, nullptr, nullptr, N::Loaded},
                    kSeparator,
                    appearance};
        case OverviewMenuKind::Appointment:
            // The pupil's editor would change a final timetable's requests.
            return {
                {C::UnbookAppointment},
                {C::DeleteRequest},
                kSeparator,
                {C::AddBreak},
                kSeparator,
                {C::EditTeacher, "Edit Teacher", "Edit the teacher for this appointment"},
                {C::EditParent, "Edit Parent", "Edit the parent for this appointment"},
                {C::EditPupil, "Edit Pupil", "Edit the pupil for this appointment", N::Editable},
                kSeparator,
                appearance};
    }
    return {};
}

}  // namespace

PopupMenuTable TreeMenu(TreeItemKind kind, const FrameState& state,
                        const CommandAvailable& available) {
    return Resolve(TreeLines(kind), state, available);
}

PopupMenuTable OverviewMenu(OverviewMenuKind kind, const FrameState& state, bool teacherRowHit,
                            const CommandAvailable& available) {
    PopupMenuTable table = Resolve(OverviewLines(kind), state, available);
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
