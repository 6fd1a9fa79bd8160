#pragma once

#include "app/qm_controller.h"

// The window program's controller: its e-mail runs send through libcurl and its scripts run in
// the Lua host.
class QMControllerWX : public QMController {
public:
    QMControllerWX();

    // A Lua host for the print and e-mail scripts; null once a file that does not load is
    // reported as not valid.
    std::unique_ptr<QMScript> CreateScript(const std::string& fileName) override;
};
