// The program's entry: quillmoot [event file]
#include <wx/app.h>

#include <cstring>

#include "gui/main/quillmoot_app.h"
#include "gui/main/script_not_answering.h"

wxIMPLEMENT_APP_NO_MAIN(QuillmootApp);

int main(int argc, char** argv) {
    ConfigureFramework();
    // The copy that asks whether to end a program whose script does not come back.
    if (argc > 1 && std::strcmp(argv[1], kScriptNotAnsweringOption) == 0) {
        return RunScriptNotAnsweringProcess(argc, argv);
    }
    return wxEntry(argc, argv);
}
