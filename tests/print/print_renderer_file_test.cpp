#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

#include "print/print_renderer_file.h"
#include "print/print_renderer_pdf.h"
#include "print_fixture.h"
#include "support/csv_reader.h"
#include "support/temp_folder.h"

namespace {

class TextFile : public ::testing::Test {
protected:
    TempFolder folder;
    std::string path = folder.File("out.txt");
    UCStringError sink;
};

TEST_F(TextFile, CellsBecomeQuotedFieldsAndLinesLoseTheirCarriageReturns) {
    {
        PrintRendererFile renderer(path.c_str());
        renderer.PrintCell("a", CellStyle::Normal, CellAdvance::Beside, 30);
        renderer.PrintCell("b", CellStyle::Bold, CellAdvance::EndRow, 70);
        renderer.PrintCell("say \"hi\"", CellStyle::Normal, CellAdvance::EndRow, 10);
        renderer.PrintCell("x", CellStyle::Normal, static_cast<CellAdvance>(7), 10);
        renderer.PrintLines("one\r\ntwo\r\n");
        renderer.PrintBoldText("bold");
        renderer.PrintFooter("footer");
        renderer.PrintSeparator();
        renderer.PrintImage(nullptr, 0);
        renderer.EndPage();
    }
    EXPECT_EQ(folder.Read("out.txt"), "\"a\", \"b\"\n\"say \"\"hi\"\"\"\n\"x\"one\ntwo\nbold\n\n");
    EXPECT_EQ(sink.GetText(), "");
}

TEST_F(TextFile, AQuotedCellReadsBackAsOneFieldWithAFullCSVReader) {
    {
        PrintRendererFile renderer(path.c_str());
        renderer.PrintCell("Room \"4\", upstairs", CellStyle::Normal, CellAdvance::Beside, 50);
        renderer.PrintCell("6:00pm", CellStyle::Normal, CellAdvance::EndRow, 50);
        // A name an import brought in is never run by a spreadsheet.
        renderer.PrintCell("=HYPERLINK(\"http://x\")", CellStyle::Normal, CellAdvance::Beside, 50);
        renderer.PrintCell("-Amy", CellStyle::Normal, CellAdvance::EndRow, 50);
    }
    const CsvRows expected = {{"Room \"4\", upstairs", "6:00pm"},
                              {"'=HYPERLINK(\"http://x\")", "'-Amy"}};
    EXPECT_EQ(ReadCsvWithPython(path, true), expected);
}

TEST_F(TextFile, AFileThatCannotBeMadeIsReportedOnceAndNothingIsWritten) {
    const std::string missing = folder.File("no/such/folder/out.txt");
    {
        PrintRendererFile renderer(missing.c_str());
        EXPECT_FALSE(renderer.IsOK());
        renderer.PrintText("lost");
        renderer.EndPage();
        EXPECT_FALSE(renderer.Close());
    }
    EXPECT_EQ(sink.GetText(),
              "Error: Cannot write to file '" + missing + "': No such file or directory\n");
    EXPECT_TRUE(folder.Names().empty());
}

TEST_F(TextFile, AnOldFileStaysWholeUntilTheNewOneIsComplete) {
    folder.Write("out.txt", "old handouts\n");
    PrintRendererFile renderer(path.c_str());
    renderer.PrintText("new handouts");
    EXPECT_EQ(folder.Read("out.txt"), "old handouts\n");
    EXPECT_TRUE(renderer.Close());
    EXPECT_EQ(folder.Read("out.txt"), "new handouts\n");
    EXPECT_FALSE(renderer.IsOK());
    EXPECT_TRUE(renderer.Close());
}

TEST_F(TextFile, AFolderThatGoesAwayMakesCloseFailWithAMessage) {
    const std::string sub = folder.File("sub");
    ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
    const std::string target = sub + "/out.txt";
    PrintRendererFile renderer(target.c_str());
    ASSERT_TRUE(renderer.IsOK());
    renderer.PrintText("handouts");
    ASSERT_EQ(rmdir(sub.c_str()), 0);
    EXPECT_FALSE(renderer.Close());
    EXPECT_NE(sink.GetText().find("Cannot write to file '" + target + "'"), std::string::npos);
}

// An old handout or PDF the user made read-only is refused as opening it for writing would be,
// whatever the folder allows. Root may write anything, so the outputs run as nobody then.
TEST_F(TextFile, AFileClosedToWritingIsRefusedAndKeptByBothOutputs) {
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chmod(folder.Path().c_str(), 0777), 0);
    }
    struct Output {
        std::string path;
        std::function<bool(const std::string& path)> write;
        std::string said;
    };
    const std::string textPath = folder.File("handouts.txt");
    const std::string pdfPath = folder.File("handouts.pdf");
    const Output outputs[] = {
        {textPath,
         [](const std::string& target) {
             PrintRendererFile renderer(target.c_str());
             renderer.PrintText("new handouts");
             return renderer.IsOK() && renderer.Close();
         },
         "Error: Cannot write to file '" + textPath + "': Permission denied\n"},
        {pdfPath,
         [](const std::string& target) {
             PrintRendererPDF renderer;
             renderer.StartPage();
             renderer.PrintText("new handouts");
             return renderer.SaveToFile(target.c_str()) == HPDF_OK;
         },
         "Error: Cannot write to file '" + pdfPath + "': Permission denied\n"},
    };
    for (const Output& output : outputs) {
        const std::string& path = output.path;
        SCOPED_TRACE(path);
        folder.Write(path.substr(path.rfind('/') + 1), "old handouts\n");
        ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            if (root && ::setuid(65534) != 0) {
                ::_exit(2);
            }
            UCStringError said;
            if (output.write(path)) {
                ::_exit(3);
            }
            if (said.GetText() != output.said) {
                std::fprintf(stderr, "said: %s", said.GetText().c_str());
                ::_exit(4);
            }
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 0) << "2: no nobody, 3: written, 4: another message";
        EXPECT_EQ(ReadWholeFile(path), "old handouts\n");
    }
}

}  // namespace
