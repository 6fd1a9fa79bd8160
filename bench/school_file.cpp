// "school_file SCALE PATH": writes the generated large school (SCALE times its people and
// requests, booked) to PATH as the program saves it, for the whole-program measures of
// bench/window-passes.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/qm_controller.h"
#include "foundation/uc_error.h"
#include "model/multi_day_schedule.h"
#include "support/generated_schedule.h"
#include "support/school_generator.h"

int main(int argc, char** argv) {
    const int scale = argc == 3 ? std::atoi(argv[1]) : 0;
    if (scale < 1) {
        std::fprintf(stderr, "usage: school_file SCALE PATH\n");
        return 2;
    }
    const SchoolSize size = scale == 1 ? SchoolSize::Large() : SchoolSize::Large().ScaledBy(scale);
    UCStringError said;
    QMController controller;
    controller.SetEvent(MakeBookedTimetable(size, 7));
    if (!controller.SaveEvent(argv[2])) {
        std::fprintf(stderr, "%s", said.GetText().c_str());
        return 1;
    }
    return 0;
}
