#include "model/print_renderer.h"

#include "foundation/string_tokeniser.h"

void PrintRenderer::PrintLines(const std::string& text) {
    StringTokeniser lines(text);
    std::string line;
    while (lines.NextLine(line)) {
        PrintText(line);
    }
}
