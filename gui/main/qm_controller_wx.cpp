#include "gui/main/qm_controller_wx.h"

#include "comms/smtp_client_curl.h"
#include "gui/main/schedule_views.h"
#include "model/multi_day_schedule.h"
#include "scripting/qm_lua_script.h"

QMControllerWX::QMControllerWX() {
    SetClientFactory(std::make_unique<SMTPClientFactoryCurl>());
}

void QMControllerWX::AttachViews(ScheduleView* summary, ScheduleView* overview) {
    summary_ = summary;
    overview_ = overview;
    TellViews();
}

void QMControllerWX::SetEvent(std::unique_ptr<MultiDaySchedule> schedule) {
    QMController::SetEvent(std::move(schedule));
    TellViews();
}

std::unique_ptr<QMScript> QMControllerWX::CreateScript(const std::string& fileName) {
    return QMLuaScript::Create(fileName, this);
}

void QMControllerWX::TellViews() {
    if (summary_) {
        summary_->SetSchedule(GetSchedule());
    }
    if (overview_) {
        overview_->SetSchedule(GetSchedule());
    }
}
