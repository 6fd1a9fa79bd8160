#include <gtest/gtest.h>
#include <wx/textctrl.h>

#include "frame_fixture.h"
#include "gui/main/event_tree_ctrl.h"
#include "gui/main/frame_commands.h"
#include "import/wx/dialog_answers.h"
#include "import/wx/import_dlg.h"
#include "import/wx/import_preview_tree.h"

namespace {

TEST_F(MainWindow, ImportedTeachersJoinTheEventThroughThePreviewTree) {
    Open(Example());
    const unsigned before = Schedule()->GetEvent()->GetTeachers().Count();
    for (CommandId id : {CommandId::ImportTeachers, CommandId::ImportPupils,
                         CommandId::ImportTaughtByList, CommandId::ImportRequestList}) {
        EXPECT_TRUE(frame_->IsCommandBound(id)) << id;
        EXPECT_TRUE(MenuEnabled(id)) << id;
    }

    const std::string staff = folder_.Write("staff.txt", "Ms Newcombe\nMr Arrival\n");
    DialogAnswers dialogs;
    dialogs.Then<ImportDlg>([&](ImportDlg& dialog) {
        auto* tree = dynamic_cast<EventTreeCtrl*>(dialog.GetPreviewTree()->GetWindow());
        EXPECT_TRUE(tree != nullptr && tree->IsPreview()) << "the event tree's preview form";
        dialog.GetFileNameText()->SetValue(staff);
        EXPECT_TRUE(dialog.ImportFromFile());
        return static_cast<int>(wxID_OK);
    });
    dialogs.Then<ImportProgressDlg>([](ImportProgressDlg& d) { return RunToEnd(d); });
    EXPECT_TRUE(frame_->RunCommand(CommandId::ImportTeachers));
    EXPECT_EQ(before + 2, Schedule()->GetEvent()->GetTeachers().Count());
    EXPECT_TRUE(Boxes().empty());
}

}  // namespace
