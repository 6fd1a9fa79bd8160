#include "gui/main/qm_controller_wx.h"

#include "comms/smtp_client_curl.h"
#include "scripting/qm_lua_script.h"

QMControllerWX::QMControllerWX() {
    SetClientFactory(std::make_unique<SMTPClientFactoryCurl>());
}

std::unique_ptr<QMScript> QMControllerWX::CreateScript(const std::string& fileName) {
    return QMLuaScript::Create(fileName, this);
}
