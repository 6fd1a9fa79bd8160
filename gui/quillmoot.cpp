// The program's entry: quillmoot [event file]
#include <wx/app.h>

#include "gui/main/quillmoot_app.h"

wxIMPLEMENT_APP_NO_MAIN(QuillmootApp);

int main(int argc, char** argv) {
    ConfigureFramework();
    return wxEntry(argc, argv);
}
