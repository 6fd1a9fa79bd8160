#include "gui/main/quillmoot_frame.h"

#include <wx/iconbndl.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/settings.h>
#include <wx/splitter.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/treectrl.h>

#include <algorithm>

#include "gui/dialogs/about_dlg.h"
#include "gui/dialogs/dpi_scope.h"
#include "gui/dialogs/modal_dialog_tracker.h"
#include "gui/dialogs/product_info.h"
#include "gui/dialogs/prompt_service.h"
#include "gui/dialogs/svg_picture.h"
#include "gui/dialogs/window_fit.h"
#include "gui/main/dlg_error.h"
#include "gui/main/event_summary_pane.h"
#include "gui/main/file_commands.h"
#include "gui/main/frame_commands.h"
#include "gui/main/pictures.h"
#include "gui/main/qm_file_drop_target.h"
#include "gui/main/schedule_views.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

QuillmootFrame* TheMainFrame = nullptr;

namespace {

constexpr int kToolSize = 48;
constexpr int kTreeSashPosition = 200;
constexpr int kTreeLabelMargin = 8;
constexpr int kMinimumPaneSize = 20;

// The icon at the sizes desktops ask for: title bars, task switchers, docks.
wxIconBundle MakeProgramIcons() {
    const wxBitmapBundle picture =
        MakeSvgBundle(kPictureQuillmoot.text, kPictureQuillmoot.size, wxSize(kToolSize, kToolSize));
    wxIconBundle icons;
    for (const int side : {16, 24, 32, 48, 64, 128, 256}) {
        wxIcon icon;
        icon.CopyFromBitmap(picture.GetBitmap(wxSize(side, side)));
        icons.AddIcon(icon);
    }
    return icons;
}

}  // namespace

QuillmootFrame::QuillmootFrame(const wxString& title, const wxString& argument)
    : wxFrame(nullptr, wxID_ANY, title, wxDefaultPosition, wxSize(800, 600),
              wxDEFAULT_FRAME_STYLE | wxMAXIMIZE),
      autosave_(this, kAutosaveTimerId, controller_.GetAutosave()) {
    sink_ = std::make_unique<DlgError>(this);
    TheMainFrame = this;
    SetFrameActions(this);
    ModalDialogTracker::Instance();
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) {
        wxInitAllImageHandlers();
    }
    SetIcons(MakeProgramIcons());

    BuildToolBar();
    BuildMenuBar();
    CreateStatusBar(2, wxSTB_DEFAULT_STYLE, 0);
    // Fixing the client size before the first Show turns off wxGTK's deferred first show, which
    // waits for the window manager's frame extents and meanwhile allocates the toolbar 2 pixels
    // wide: GTK's "Negative content width" warning and gtk_distribute_natural_allocation
    // critical at every start under a window manager. The window starts maximised anyway.
    SetClientSize(GetClientSize());
    BuildPanes();
    SetDropTarget(new QMFileDropTarget(
        this, [this](const wxString& path) { OpenEventFileAsked(Context(), path); }));

    for (const Command* command : AllCommands()) {
        if (command->run) {
            Bind(wxEVT_MENU, &QuillmootFrame::OnCommand, this, WxId(command->id));
        }
    }
    Bind(wxEVT_TIMER, &QuillmootFrame::OnAutosaveTimer, this, kAutosaveTimerId);
    Bind(wxEVT_CLOSE_WINDOW, &QuillmootFrame::OnClose, this);
    // Maximising happens after Show, which moves the sashes: set them again at the first size.
    Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        event.Skip();
        if (!sashesApplied_ && IsShown()) {
            sashesApplied_ = true;
            CallAfter([this] { ApplySashPositions(); });
        }
    });
    InstallScheduleEditors();
    InstallImportPreview();
    InstallEmailEditors();

    following_ = controller_.Subscribe([this](const EventMessage& message) {
        if (message.kind == EventMessage::Kind::Settled) {
            ShowSettledChanges(message.changes);
        }
    });
    RefreshViews();
    controller_.Initialise();
    {
        const QMController::ChangeScope load(controller_);
        if (controller_.AutosaveFileExists()) {
            ReportMessage(SeverityInformation,
                          "It seems as though Quillmoot crashed with unsaved data last time - "
                          "Quillmoot will now attempt to recover");
            if (!controller_.RecoverAutosave()) {
                ReportMessage(SeverityError, "Could not recover from autosave file");
            }
        } else if (!argument.empty()) {
            LoadEventFile(Context(), argument);
        }
    }
    innerSplitter_->SetSashPosition(kTreeSashPosition, true);
    Refresh(true);
    autosave_.Start();
}

QuillmootFrame::~QuillmootFrame() {
    autosave_.Stop();
    following_.Reset();
    if (summary_) {
        summary_->SetSchedule(nullptr);
    }
    if (overview_) {
        overview_->SetSchedule(nullptr);
    }
    sink_.reset();
    if (TheMainFrame == this) {
        TheMainFrame = nullptr;
    }
    if (TheFrameActions() == this) {
        SetFrameActions(nullptr);
    }
}

wxBitmapBundle QuillmootFrame::MakeToolBitmap(const char* bytes, std::uint32_t count) {
    return MakeSvgBundle(bytes, count, wxSize(kToolSize, kToolSize));
}

void QuillmootFrame::BuildToolBar() {
    wxToolBar* toolBar = CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT | wxTB_NODIVIDER, wxID_ANY);
    toolBar->SetToolBitmapSize(wxSize(kToolSize, kToolSize));
    for (const ToolSpec& tool : MainTools()) {
        if (tool.id == CommandId::None) {
            toolBar->AddSeparator();
            continue;
        }
        const std::string greyed = GreyedSvg({tool.picture->text, tool.picture->size});
        toolBar->AddTool(WxId(tool.id), ToolLabel(tool),
                         MakeToolBitmap(tool.picture->text, tool.picture->size),
                         MakeToolBitmap(greyed.data(), static_cast<std::uint32_t>(greyed.size())),
                         wxITEM_NORMAL, ToolTip(tool), wxEmptyString);
    }
    toolBar->Realize();
}

void QuillmootFrame::BuildMenuBar() {
    menuBar_ = new wxMenuBar;
    for (const MenuSpec& spec : MainMenus()) {
        auto* menu = new wxMenu;
        wxMenu* target = menu;
        wxMenu* submenu = nullptr;
        const MenuLine* submenuLine = nullptr;
        for (const MenuLine& line : spec.lines) {
            switch (line.kind) {
                case MenuLine::Command: {
                    const Command& command = *FindCommand(line.id);
                    target->Append(WxId(line.id), command.label, command.help, wxITEM_NORMAL);
                    break;
                }
                case MenuLine::Separator:
                    target->AppendSeparator();
                    break;
                case MenuLine::SubmenuStart:
                    submenu = new wxMenu;
                    submenuLine = &line;
                    target = submenu;
                    break;
                case MenuLine::SubmenuEnd:
                    menu->AppendSubMenu(submenu, submenuLine->label, submenuLine->help);
                    target = menu;
                    break;
            }
        }
        menuBar_->Append(menu, spec.title);
    }
    SetMenuBar(menuBar_);
}

void QuillmootFrame::BuildPanes() {
    const long style = wxSP_3DSASH | wxSP_3DBORDER;
    outerSplitter_ =
        new wxSplitterWindow(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, style, "splitter");
    innerSplitter_ = new wxSplitterWindow(outerSplitter_, wxID_ANY, wxDefaultPosition,
                                          wxDefaultSize, style, "splitter");
    summary_ = new EventSummaryPane(outerSplitter_);
    overview_ = CreateOverviewPane(innerSplitter_, &controller_);
    tree_ = CreateEventTreePane(innerSplitter_, controller_.GetEvent());
    tree_->Follow(controller_);
    overview_->Follow(controller_);
    summary_->Follow(controller_);
    outerSplitter_->SetMinimumPaneSize(kMinimumPaneSize);
    innerSplitter_->SetMinimumPaneSize(kMinimumPaneSize);
    outerSplitter_->SplitHorizontally(summary_, innerSplitter_,
                                      4 * DPIScope::GetScaledFontHeight());
    innerSplitter_->SplitVertically(tree_->GetWindow(), overview_->GetWindow(), kTreeSashPosition);
    // An opened branch may hold longer labels than the tree has room for.
    tree_->GetWindow()->Bind(wxEVT_TREE_ITEM_EXPANDED, [this](wxTreeEvent& event) {
        event.Skip();
        CallAfter([this] { FitTreePane(); });
    });
}

void QuillmootFrame::ApplySashPositions() {
    outerSplitter_->SetSashPosition(4 * DPIScope::GetScaledFontHeight(), true);
    innerSplitter_->SetSashPosition(kTreeSashPosition, true);
    FitTreePane();
}

void QuillmootFrame::FitTreePane() {
    auto* tree = dynamic_cast<wxTreeCtrl*>(tree_ ? tree_->GetWindow() : nullptr);
    if (tree == nullptr || innerSplitter_ == nullptr) {
        return;
    }
    // The labels, the scroll bar beside them and the tree's own border.
    const int needed = TreeLabelsWidth(*tree) + wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, tree) +
                       (tree->GetSize().x - tree->GetClientSize().x) + kTreeLabelMargin;
    const int most = innerSplitter_->GetClientSize().x * 2 / 5;
    const int wanted = std::min(needed, most);
    if (wanted > innerSplitter_->GetSashPosition()) {
        innerSplitter_->SetSashPosition(wanted, true);
    }
}

bool QuillmootFrame::IsCommandBound(CommandId id) const {
    const Command* command = FindCommand(id);
    return command != nullptr && command->run != nullptr;
}

bool QuillmootFrame::RunCommand(CommandId id) {
    return RunCommand(id, *tree_, this);
}

bool QuillmootFrame::RunCommand(CommandId id, const Selection& selection, wxWindow* parent) {
    if (!IsCommandBound(id)) {
        return false;
    }
    // Whatever the command changed, the window shows it when the command ends.
    const QMController::ChangeScope change(controller_);
    FindCommand(id)->run(ContextOver(selection, parent));
    return true;
}

CommandContext QuillmootFrame::Context() {
    return ContextOver(*tree_, this);
}

CommandContext QuillmootFrame::ContextOver(const Selection& selection, wxWindow* parent) {
    return {.controller = controller_,
            .selection = selection,
            .parent = parent,
            .timetableView = overview_ ? overview_->GetWindow() : nullptr,
            .newEventEditor = newEventEditor_,
            .emailOptionsEditor = emailOptionsEditor_};
}

void QuillmootFrame::OnCommand(wxCommandEvent& event) {
    if (!RunCommand(CommandOfWxId(event.GetId()))) {
        event.Skip();
    }
}

void QuillmootFrame::ShowSettledChanges(const EventChanges& changes) {
    if (closing_) {
        return;
    }
    if (changes.event || changes.people) {
        FitTreePane();
    }
    const FrameState state = ComputeFrameState(controller_);
    SetTitle(state.named ? wxString(kProductName) + " - " + FromUtf8(controller_.GetFileName())
                         : wxString(kProductName));
    if (!menuBar_) {
        return;
    }
    wxToolBar* toolBar = GetToolBar();
    for (const Command* command : AllCommands()) {
        const int id = WxId(command->id);
        const bool allowed = command->run && IsCommandAllowed(command->needs, state);
        if (menuBar_->FindItem(id) != nullptr) {
            menuBar_->Enable(id, allowed);
        }
        if (toolBar != nullptr && toolBar->FindById(id) != nullptr) {
            toolBar->EnableTool(id, allowed);
        }
    }
}

bool QuillmootFrame::HasUnsavedChanges() const {
    // Settings whose file did not load whole, or was damaged since, are never written over, so
    // they are nothing to ask about: a Yes could neither save them nor close.
    const UserSettings& settings = controller_.GetUserSettings();
    return controller_.IsEventChanged() ||
           (settings.IsModified() && controller_.AreSettingsLoaded() && settings.IsWrittenToFile());
}

void QuillmootFrame::OnClose(wxCloseEvent& event) {
    autosave_.Stop();
    if (!HasUnsavedChanges()) {
        CloseAndDestroy();
        return;
    }
    overview_->SetHoverTips(false);
    const int answer = AskYesNoCancel(this,
                                      "The schedule has been changed since it was last saved. "
                                      "Do you wish to save the changed data?");
    bool saved = answer == wxID_NO;
    if (answer == wxID_YES) {
        // Only the settings changed: there is no event to save, and no reason to start one.
        saved = controller_.GetSchedule() ? SaveEvent(Context()) : controller_.SaveUserSettings();
    }
    if (saved) {
        CloseAndDestroy();
        return;
    }
    if (!event.CanVeto()) {
        // Forced to go with changes unsaved: the autosave copy brings them back next time.
        // Nothing more can be done if it fails: the window is going and has reported it.
        (void)controller_.Autosave();
        CloseAndDestroy(true);
        return;
    }
    event.Veto();
    overview_->SetHoverTips(true);
    autosave_.Start();
}

void QuillmootFrame::CloseAndDestroy(bool keepAutosave) {
    closing_ = true;
    autosave_.Stop();
    summary_->SetSchedule(nullptr);
    overview_->SetSchedule(nullptr);
    // The copy goes first: nothing else stands between the user's answer and its removal.
    if (!keepAutosave) {
        (void)controller_.DeleteAutosaveFile();  // a stale copy is offered, not trusted, later
    }
    if (controller_.GetUserSettings().IsModified()) {
        (void)controller_.SaveUserSettings();  // reports itself; the event is not at stake
    }
    controller_.CloseEvent();
    tree_->SetEvent(nullptr);
    sink_.reset();
    Destroy();
}
