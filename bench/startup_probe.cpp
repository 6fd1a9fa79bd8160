// A process for the start-up benchmark to time: "startup_probe program FILE" starts the main
// window on an event file as the program does; "startup_probe bare" starts a bare frame with the
// same menus, tools, status bar and panes. Either writes "painted" to its output once the
// window's right-hand pane has been painted the first time, and ends there.
#include <unistd.h>
#include <wx/app.h>
#include <wx/artprov.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/scrolwin.h>
#include <wx/splitter.h>
#include <wx/stattext.h>
#include <wx/toolbar.h>
#include <wx/treectrl.h>

#include <cstring>

#include "gui/dialogs/product_info.h"
#include "gui/main/frame_commands.h"
#include "gui/main/quillmoot_app.h"
#include "gui/main/quillmoot_frame.h"
#include "gui/main/schedule_views.h"

namespace {

constexpr int kToolSize = 32;

// The main window's bars and panes with nothing behind them.
wxFrame* MakeBareFrame(wxWindow** pane) {
    auto* frame = new wxFrame(nullptr, wxID_ANY, kProductName, wxDefaultPosition, wxSize(800, 600),
                              wxDEFAULT_FRAME_STYLE | wxMAXIMIZE);
    wxToolBar* toolBar =
        frame->CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT | wxTB_NODIVIDER, wxID_ANY);
    toolBar->SetToolBitmapSize(wxSize(kToolSize, kToolSize));
    for (const ToolSpec& tool : MainTools()) {
        if (tool.id == CommandId::None) {
            toolBar->AddSeparator();
            continue;
        }
        const wxBitmap normal =
            wxArtProvider::GetBitmap(wxART_NEW, wxART_TOOLBAR, wxSize(kToolSize, kToolSize));
        toolBar->AddTool(WxId(tool.id), ToolLabel(tool), normal, normal.ConvertToDisabled(),
                         wxITEM_NORMAL, ToolTip(tool), wxEmptyString);
    }
    toolBar->Realize();
    auto* menuBar = new wxMenuBar;
    for (const MenuSpec& spec : MainMenus()) {
        auto* menu = new wxMenu;
        for (const MenuLine& line : spec.lines) {
            if (line.kind == MenuLine::Command) {
                const Command& command = *FindCommand(line.id);
                menu->Append(WxId(line.id), command.label, command.help, wxITEM_NORMAL);
            } else if (line.kind == MenuLine::Separator) {
                menu->AppendSeparator();
            }
        }
        menuBar->Append(menu, spec.title);
    }
    frame->SetMenuBar(menuBar);
    frame->CreateStatusBar(2, wxSTB_DEFAULT_STYLE, 0);
    const long style = wxSP_3DSASH | wxSP_3DBORDER;
    auto* outer = new wxSplitterWindow(frame, wxID_ANY, wxDefaultPosition, wxDefaultSize, style);
    auto* inner = new wxSplitterWindow(outer, wxID_ANY, wxDefaultPosition, wxDefaultSize, style);
    auto* summary = new wxStaticText(outer, wxID_ANY, "Current schedule score");
    auto* tree = new wxTreeCtrl(inner);
    const wxTreeItemId root = tree->AddRoot("Current Event");
    for (const char* branch : {"0 teachers", "0 parents", "0 pupils", "0 presentations"}) {
        tree->AppendItem(root, branch);
    }
    tree->Expand(root);
    auto* scrolled = new wxScrolledWindow(inner);
    scrolled->SetScrollRate(10, 10);
    outer->SplitHorizontally(summary, inner, 60);
    inner->SplitVertically(tree, scrolled, 200);
    *pane = scrolled;
    return frame;
}

}  // namespace

class StartUpProbeApp : public wxApp {
public:
    bool OnInit() override {
        const bool bare = argc > 1 && argv[1] == "bare";
        wxWindow* pane = nullptr;
        wxFrame* frame = nullptr;
        if (bare) {
            frame = MakeBareFrame(&pane);
        } else {
            auto* main = new QuillmootFrame(kProductName, argc > 2 ? argv[2] : wxString());
            frame = main;
            pane = main->GetOverview()->GetWindow();
        }
        pane->Bind(wxEVT_PAINT, [this](wxPaintEvent& event) {
            event.Skip();
            // After the pane's own painting, which runs once this handler returns.
            CallAfter([] {
                const char painted[] = "painted\n";
                (void)!write(STDOUT_FILENO, painted, std::strlen(painted));
                _exit(0);
            });
        });
        frame->Maximize(true);
        frame->Show(true);
        return true;
    }
};

wxIMPLEMENT_APP_NO_MAIN(StartUpProbeApp);

int main(int argc, char** argv) {
    ConfigureFramework();
    return wxEntry(argc, argv);
}
