#include "gui/support/gui_test.h"

#include <wx/app.h>
#include <wx/evtloop.h>

GuiTest::GuiTest() = default;

GuiTest::~GuiTest() {
    if (parent_) {
        parent_->Destroy();
    }
    ProcessPending();
}

wxFrame* GuiTest::TopWindow() {
    if (!parent_) {
        parent_ = new wxFrame(nullptr, wxID_ANY, "Test parent");
    }
    return parent_;
}

void GuiTest::ProcessPending() {
    for (int round = 0; round < 3; ++round) {
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
    }
}

std::string GuiTest::CopyExampleEvent(const std::string& name) const {
    return folder_.Write(name, ReadWholeFile(std::string(QM_SOURCE_DIR) + "/examples/school.qmv"));
}
