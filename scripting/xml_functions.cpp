#include "foundation/xml_parser.h"
#include "scripting/qm_lua_script.h"
#include "scripting/script_call.h"

namespace {

int XMLOpen(ScriptCall& call) {
    std::string path;
    if (!call.GetText(1, path)) {
        // False for a missing name; a value that is no text gives no result.
        if (!call.IsMissing(1)) {
            return 0;
        }
        call.PushBoolean(false);
        return 1;
    }
    call.PushBoolean(call.Host().OpenXML(path.c_str()));
    return 1;
}

int XMLReadDocument(ScriptCall& call) {
    XMLParser* parser = call.Host().GetXMLParser();
    // nil rather than a null object, which Lua would count as true.
    call.PushObject(parser != nullptr ? call.Host().KeepXMLTree(parser->ParseDocument()) : nullptr);
    return 1;
}

// The next element of that name as a record of its children's names and texts.
int XMLReadTable(ScriptCall& call) {
    std::string name;
    if (!call.GetText(1, name)) {
        if (!call.IsMissing(1)) {
            return 0;
        }
        call.PushBoolean(false);
        return 1;
    }
    XMLParser* parser = call.Host().GetXMLParser();
    if (parser == nullptr || !parser->FindTag(name.c_str())) {
        return 0;
    }
    QMLuaScript& host = call.Host();
    call.NewTable();
    while (std::unique_ptr<UCXMLTag> tag = parser->NextTag()) {
        if (tag->IsClosing()) {
            break;
        }
        if (tag->IsSelfClosing()) {
            host.SetTableText(tag->GetName().c_str(), "");
            continue;
        }
        if (tag->IsMarkup() || tag->IsInstruction()) {
            continue;
        }
        std::unique_ptr<UCXMLComponent> content = parser->ParseComponent();
        if (!content) {
            break;
        }
        if (auto* text = dynamic_cast<const UCXMLBodyText*>(content.get())) {
            host.SetTableText(tag->GetName().c_str(), text->GetText());
            parser->NextTag();
        } else {
            // An empty element, or a nested one whose content is read on at this level.
            host.SetTableText(tag->GetName().c_str(), "");
        }
    }
    return 1;
}

constexpr ScriptFunction kXMLFunctions[] = {
    {"qm_xmlopen", &ScriptFunctionEntry<XMLOpen>},
    {"qm_xmlreaddocument", &ScriptFunctionEntry<XMLReadDocument>},
    {"qm_xmlreadtable", &ScriptFunctionEntry<XMLReadTable>},
};

}  // namespace

ScriptFunctionTable XMLScriptFunctions() {
    return kXMLFunctions;
}
