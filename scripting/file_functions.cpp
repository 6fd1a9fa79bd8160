#include <cctype>

#include "app/qm_controller.h"
#include "foundation/string_functions.h"
#include "foundation/string_tokeniser.h"
#include "scripting/qm_lua_script.h"
#include "scripting/script_call.h"

namespace {

std::string Trimmed(const std::string& text) {
    size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) {
        ++start;
    }
    std::string trimmed = text.substr(start);
    TrimRightInPlace(trimmed);
    return trimmed;
}

int CSVSplit(ScriptCall& call) {
    std::string line;
    if (!call.GetText(1, line)) {
        return 0;
    }
    StringTokeniser tokeniser(line);
    std::string field;
    call.NewTable();
    for (long long key = 1; tokeniser.NextToken(&field); ++key) {
        call.PushText(Trimmed(field));
        call.SetIndex(key);
    }
    return 1;
}

int SaveAs(ScriptCall& call) {
    std::string path;
    QMController* controller = call.Controller();
    call.PushBoolean(controller != nullptr && call.GetText(1, path) &&
                     controller->SaveEvent(path.c_str()));
    return 1;
}

int MergeEventFile(ScriptCall& call) {
    call.RefuseInsideOutput("qm_mergeeventfile");
    std::string path;
    QMController* controller = call.Controller();
    if (controller == nullptr || !call.GetText(1, path)) {
        return 0;
    }
    std::string report;
    bool merged = controller->MergeEventFile(path.c_str(), &report);
    call.Host().Objects().MarkModelStale();
    call.PushBoolean(merged);
    call.PushText(report);
    return 2;
}

int FileName(ScriptCall& call) {
    QMController* controller = call.Controller();
    if (controller == nullptr) {
        return 0;
    }
    call.PushText(controller->GetFileName());
    return 1;
}

int SystemInfo(ScriptCall& call) {
    QMController* controller = call.Controller();
    if (controller == nullptr) {
        return 0;
    }
    call.NewTable();
    call.Host().SetTableText("user_data_dir", controller->GetUserDataFolder());
    return 1;
}

int SettingsGet(ScriptCall& call) {
    std::string key;
    QMController* controller = call.Controller();
    if (controller == nullptr || !call.GetText(1, key)) {
        return 0;
    }
    call.PushText(controller->GetUserSettings().Get(key));
    return 1;
}

int SettingsSet(ScriptCall& call) {
    std::string key;
    std::string value;
    QMController* controller = call.Controller();
    if (controller == nullptr || !call.GetText(1, key) || !call.GetText(2, value)) {
        return 0;
    }
    if (value.empty()) {
        controller->GetUserSettings().Delete(key);
    } else {
        controller->GetUserSettings().Set(key, value);
    }
    return 0;
}

int SettingsDelete(ScriptCall& call) {
    std::string key;
    QMController* controller = call.Controller();
    if (controller != nullptr && call.GetText(1, key)) {
        controller->GetUserSettings().Delete(key);
    }
    return 0;
}

// A missing text converts to an empty one; a value that is no text gives no result.
int ConvertText(ScriptCall& call, std::string (*convert)(const char*)) {
    std::string text;
    if (call.GetText(1, text)) {
        call.PushText(convert(text.c_str()));
    } else if (call.IsMissing(1)) {
        call.PushText("");
    } else {
        return 0;
    }
    return 1;
}

int EightBitToUTF8(ScriptCall& call) {
    return ConvertText(call, &Convert8BitToUTF8);
}

int UTF8ToEightBit(ScriptCall& call) {
    return ConvertText(call, &ConvertUTF8To8Bit);
}

constexpr ScriptFunction kFileFunctions[] = {
    {"qm_csvsplit", &ScriptFunctionEntry<CSVSplit>},
    {"qm_filename", &ScriptFunctionEntry<FileName>},
    {"qm_getsysinfo", &ScriptFunctionEntry<SystemInfo>},
    {"qm_mergeeventfile", &ScriptFunctionEntry<MergeEventFile>},
    {"qm_saveas", &ScriptFunctionEntry<SaveAs>},
    {"qm_str8bittoutf8", &ScriptFunctionEntry<EightBitToUTF8>},
    {"qm_strutf8to8bit", &ScriptFunctionEntry<UTF8ToEightBit>},
    {"qm_usersettingsdel", &ScriptFunctionEntry<SettingsDelete>},
    {"qm_usersettingsget", &ScriptFunctionEntry<SettingsGet>},
    {"qm_usersettingsset", &ScriptFunctionEntry<SettingsSet>},
};

}  // namespace

ScriptFunctionTable FileScriptFunctions() {
    return kFileFunctions;
}
