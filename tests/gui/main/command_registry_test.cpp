#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "frame_fixture.h"
#include "gui/main/frame_commands.h"
#include "gui/main/popup_menus.h"

namespace {

std::set<CommandId> MenuCommands() {
    std::set<CommandId> ids;
    for (const MenuSpec& menu : MainMenus()) {
        for (const MenuLine& line : menu.lines) {
            if (line.kind == MenuLine::Command) {
                ids.insert(line.id);
            }
        }
    }
    return ids;
}

std::set<CommandId> ToolCommands() {
    std::set<CommandId> ids;
    for (const ToolSpec& tool : MainTools()) {
        if (tool.id != CommandId::None) {
            ids.insert(tool.id);
        }
    }
    return ids;
}

TEST(CommandRegistry, EachIdHasOneRecordThatFindsItself) {
    std::set<CommandId> seen;
    for (const Command* command : AllCommands()) {
        SCOPED_TRACE(WxId(command->id));
        EXPECT_NE(command->id, CommandId::None);
        EXPECT_TRUE(seen.insert(command->id).second) << "two records share the id";
        EXPECT_EQ(FindCommand(command->id), command);
    }
    EXPECT_EQ(FindCommand(CommandId::None), nullptr);
    EXPECT_EQ(FindCommand(CommandOfWxId(WxId(CommandId::ToolPrint) + 1)), nullptr);
    EXPECT_EQ(WxId(CommandId::About), wxID_ABOUT);
}

// Whatever a menu, a tool or a popup shows comes from a record with words to show.
TEST(CommandRegistry, EveryPlaceACommandShowsHasItsRecordAndTexts) {
    struct Place {
        const char* name;
        std::vector<CommandId> ids;
    };
    const std::set<CommandId> menus = MenuCommands();
    const std::set<CommandId> tools = ToolCommands();
    const Place places[] = {
        {"menu", {menus.begin(), menus.end()}},
        {"tool", {tools.begin(), tools.end()}},
        {"popup", PopupCommands()},
        {"popup only", PopupOnlyCommands()},
    };
    for (const Place& place : places) {
        EXPECT_FALSE(place.ids.empty()) << place.name;
        for (CommandId id : place.ids) {
            SCOPED_TRACE(testing::Message() << place.name << " " << WxId(id));
            const Command* command = FindCommand(id);
            ASSERT_NE(command, nullptr);
            if (id != CommandId::Ignored) {
                EXPECT_STRNE(command->label, "");
                EXPECT_STRNE(command->help, "");
            }
        }
    }
    for (const ToolSpec& tool : MainTools()) {
        if (tool.id != CommandId::None) {
            EXPECT_STRNE(ToolLabel(tool), "") << WxId(tool.id);
            EXPECT_STREQ(ToolTip(tool), FindCommand(tool.id)->help);
            EXPECT_NE(tool.picture, nullptr) << WxId(tool.id);
        }
    }
}

// A record the window runs is reached from a menu, a tool or a popup; one the overview runs
// itself is offered by no menu or tool, and the window's popup-only commands by neither.
TEST(CommandRegistry, EveryRecordIsReachedWhereItsActionLives) {
    const std::set<CommandId> menus = MenuCommands();
    const std::set<CommandId> tools = ToolCommands();
    const std::vector<CommandId> popupList = PopupCommands();
    const std::set<CommandId> popups(popupList.begin(), popupList.end());
    const std::set<CommandId> popupOnly(PopupOnlyCommands().begin(), PopupOnlyCommands().end());
    for (const Command* command : AllCommands()) {
        const CommandId id = command->id;
        SCOPED_TRACE(WxId(id));
        const bool inBars = menus.count(id) > 0 || tools.count(id) > 0;
        if (command->run) {
            EXPECT_TRUE(inBars || popupOnly.count(id)) << "the window runs it, nothing posts it";
            EXPECT_FALSE(inBars && popupOnly.count(id)) << "listed as popup-only but in a bar";
        } else {
            EXPECT_FALSE(inBars) << "a pane's own command in the window's bars";
            EXPECT_EQ(popupOnly.count(id), 0u);
        }
    }
    for (CommandId id : popupOnly) {
        EXPECT_TRUE(FindCommand(id)->run) << WxId(id);
    }
}

TEST(CommandRegistry, MenusAndToolsShowEachCommandOnce) {
    std::map<CommandId, int> menuCount;
    for (const MenuSpec& menu : MainMenus()) {
        for (const MenuLine& line : menu.lines) {
            if (line.kind == MenuLine::Command) {
                ++menuCount[line.id];
            }
        }
    }
    for (const auto& [id, count] : menuCount) {
        EXPECT_EQ(count, 1) << WxId(id);
    }
    std::map<CommandId, int> toolCount;
    for (const ToolSpec& tool : MainTools()) {
        if (tool.id != CommandId::None) {
            ++toolCount[tool.id];
        }
    }
    for (const auto& [id, count] : toolCount) {
        EXPECT_EQ(count, 1) << WxId(id);
    }
}

// What each enabling rule allows in each state of the event.
TEST(CommandRegistry, EachNeedAllowsItsStatesOnly) {
    // loaded, locked, editable, unbooked, named
    const FrameState none{};
    const FrameState fresh{true, false, true, false, false};
    const FrameState unbooked{true, false, true, true, true};
    const FrameState booked{true, false, true, false, true};
    const FrameState locked{true, true, false, true, true};
    struct Case {
        CommandNeeds needs;
        std::vector<bool> allowed;  // none, fresh, unbooked, booked, locked
    };
    const Case cases[] = {
        {CommandNeeds::Nothing, {true, true, true, true, true}},
        {CommandNeeds::Loaded, {false, true, true, true, true}},
        {CommandNeeds::LoadedAndNamed, {false, false, true, true, true}},
        {CommandNeeds::Editable, {false, true, true, true, false}},
        {CommandNeeds::Locked, {false, false, false, false, true}},
        {CommandNeeds::Unbooked, {false, false, true, false, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.needs));
        const FrameState* states[] = {&none, &fresh, &unbooked, &booked, &locked};
        for (size_t i = 0; i < c.allowed.size(); ++i) {
            EXPECT_EQ(IsCommandAllowed(c.needs, *states[i]), c.allowed[i]) << "state " << i;
        }
    }
}

class CommandEnabling : public MainWindow {};

// Every menu item and tool, in every state, is enabled exactly when its record allows it.
TEST_F(CommandEnabling, EveryMenuItemAndToolFollowsItsRecord) {
    const std::string example = Example();
    const std::pair<const char*, std::function<void(QuillmootFrame&)>> states[] = {
        {"no event", [](QuillmootFrame&) {}},
        {"example", [&](QuillmootFrame& f) { ASSERT_TRUE(LoadEventFile(f.Context(), example)); }},
        {"example booked",
         [&](QuillmootFrame& f) {
             ASSERT_TRUE(LoadEventFile(f.Context(), example));
             f.GetController().BookUnbookedRequests(false, false);
         }},
        {"example locked",
         [&](QuillmootFrame& f) {
             ASSERT_TRUE(LoadEventFile(f.Context(), example));
             f.GetController().GetEvent()->SetLocked(true);
         }},
    };
    for (const auto& [name, setUp] : states) {
        SCOPED_TRACE(name);
        Open();
        setUp(*frame_);
        frame_->RefreshViews();
        const FrameState state = ComputeFrameState(frame_->GetController());
        int checked = 0;
        for (const Command* command : AllCommands()) {
            const bool expected = IsCommandAllowed(command->needs, state);
            if (MenuCommands().count(command->id)) {
                EXPECT_EQ(MenuEnabled(command->id), expected) << "menu " << command->id;
                ++checked;
            }
            if (ToolCommands().count(command->id)) {
                EXPECT_EQ(ToolEnabled(command->id), expected) << "tool " << command->id;
                ++checked;
            }
        }
        EXPECT_EQ(checked, static_cast<int>(MenuCommands().size() + ToolCommands().size()));
        frame_->Destroy();
        ProcessPending();
    }
}

}  // namespace
