#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/qm_controller.h"
#include "gui/support/gui_test.h"
#include "import/wx/dialog_answers.h"
#include "model/event.h"
#include "model/multi_day_schedule.h"

// A stand-in for SIMS's report program: logs its arguments beside itself and acts on the report
// name: "none" writes nothing, "empty" an empty file, "slow" hangs, anything else two pupils.
inline const char* const kFakeReporter = R"(#!/bin/sh
: > "$(dirname "$0")/arguments"
for a in "$@"; do
  printf '%s\n' "$a" >> "$(dirname "$0")/arguments"
  case "$a" in
    /OUTPUT:*) out="${a#/OUTPUT:}" ;;
    /REPORT:*) report="${a#/REPORT:}" ;;
  esac
done
case "$report" in
  none) exit 0 ;;
  empty) : > "$out" ;;
  slow) exec sleep 30 ;;
  *) printf 'Forename,Surname,Form / Tutor Group\nAmy,Lee,7B\nBen,Cox,7C\n' > "$out" ;;
esac
)";

// A loaded two-day event behind a controller whose settings live in the test's folder.
class ImportWindow : public GuiTest {
protected:
    ImportWindow() {
        std::filesystem::create_directories(folder_.Path() + "/config/Quillmoot");
        controller_.Initialise();
        auto schedule = std::make_unique<MultiDaySchedule>(std::make_shared<Event>());
        EXPECT_TRUE(schedule->AppendNextDay());
        controller_.SetEvent(std::move(schedule));
    }

    Event& OpenEvent() { return *controller_.GetEvent(); }
    std::string WriteFakeReporter() {
        const std::string path = folder_.Write("CommandReporter", kFakeReporter);
        ::chmod(path.c_str(), 0755);
        return path;
    }

    QMController controller_;
    DialogAnswers dialogs_;
};
