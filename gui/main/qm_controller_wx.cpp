#include "gui/main/qm_controller_wx.h"

#include <wx/app.h>
#include <wx/window.h>

#include "comms/smtp_client_curl.h"
#include "gui/main/script_stop_window.h"
#include "scripting/qm_lua_script.h"

QMControllerWX::QMControllerWX() {
    SetClientFactory(std::make_unique<SMTPClientFactoryCurl>());
    // Over whichever window the road runs from: the main window, a preview, an e-mail run.
    SetScriptStopOffer([]() -> std::function<bool()> {
        wxWindow* parent = wxGetActiveWindow();
        if (parent == nullptr && wxTheApp != nullptr) {
            parent = wxTheApp->GetTopWindow();
        }
        auto window = std::make_shared<ScriptStopWindow>(parent);
        return [window] { return window->ShouldStop(); };
    });
}

std::unique_ptr<QMScript> QMControllerWX::CreateScript(const std::string& fileName) {
    return QMLuaScript::Create(fileName, this);
}
