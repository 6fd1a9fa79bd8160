#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <fstream>
#include <sstream>

#include <zlib.h>

#include "image_files.h"
#include "print/pdf_image.h"
#include "print/pdf_printout.h"
#include "print/pdf_stream_compressor.h"
#include "print/print_job.h"
#include "print/print_renderer_pdf.h"
#include "print/qr_code_matrix.h"
#include "print/sheet_calendar.h"
#include "print_fixture.h"
#include "support/temp_folder.h"

namespace {

// What poppler reads from a PDF file.
struct PdfFacts {
    int pages = 0;
    std::string pageSize;
    std::string fonts;
    std::string text;
};

PdfFacts ReadPdf(const std::string& path) {
    PdfFacts facts;
    std::istringstream info(RunCommand("pdfinfo '" + path + "' 2>&1"));
    for (std::string line; std::getline(info, line);) {
        if (line.rfind("Pages:", 0) == 0) {
            facts.pages = std::stoi(line.substr(6));
        } else if (line.rfind("Page size:", 0) == 0) {
            facts.pageSize = line.substr(line.find_first_not_of(' ', 10));
        }
    }
    facts.fonts = RunCommand("pdffonts '" + path + "' 2>&1");
    facts.text = RunCommand("pdftotext -layout '" + path + "' - 2>&1");
    return facts;
}

size_t CountOf(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// qpdf decodes every stream, JPEG images included, and finds nothing wrong.
bool IsSoundPdf(const std::string& path) {
    const std::string report = RunCommand("qpdf --check --decode-level=all '" + path + "' 2>&1");
    return report.find("No syntax or stream encoding errors found") != std::string::npos &&
           report.find("WARNING") == std::string::npos;
}

std::string MakeFifo(const std::string& path) {
    EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
    return path;
}

// A colour raster of one page.
struct PageRaster {
    int width = 0;
    int height = 0;
    std::string rgb;

    // The bounding box of the pixels that are clearly red: x0, y0 (from the top), x1, y1.
    std::vector<int> RedBox() const {
        int x0 = INT_MAX, y0 = INT_MAX, x1 = -1, y1 = -1;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const auto* p = reinterpret_cast<const unsigned char*>(
                    &rgb[static_cast<size_t>((y * width + x) * 3)]);
                if (p[0] > 200 && p[1] < 60 && p[2] < 60) {
                    x0 = std::min(x0, x);
                    y0 = std::min(y0, y);
                    x1 = std::max(x1, x + 1);
                    y1 = std::max(y1, y + 1);
                }
            }
        }
        return {x0, y0, x1, y1};
    }
};

// At 144 dots per inch: two pixels a point.
PageRaster RenderPage(const std::string& pdf, const std::string& ppmBase) {
    RunCommand("pdftoppm -r 144 -f 1 -l 1 -singlefile '" + pdf + "' '" + ppmBase + "'");
    std::ifstream file(ppmBase + ".ppm", std::ios::binary);
    PageRaster raster;
    std::string magic;
    int maxValue = 0;
    file >> magic >> raster.width >> raster.height >> maxValue;
    file.get();
    raster.rgb.resize(static_cast<size_t>(raster.width * raster.height * 3));
    file.read(raster.rgb.data(), static_cast<std::streamsize>(raster.rgb.size()));
    return raster;
}

class PdfOutput : public PrintFixture {
protected:
    PdfOutput() {
        Request(sam, ann, "Maths", 0, 2);
        Request(amy, bob, "", 1, 3);
        Request(ben, ann, "Art", 1, 0);
    }

    bool Create(const PrintSettings& settings) {
        PDFPrintout printout(&controller, settings);
        return printout.CreatePDF(pdf.c_str());
    }

    TempFolder folder;
    std::string pdf = folder.File("handouts.pdf");
};

TEST_F(PdfOutput, HoldsOneA4PagePerSheetTeachersFirstInHelvetica) {
    ASSERT_TRUE(Create(PrintSettings())) << sink.GetText();
    const PdfFacts facts = ReadPdf(pdf);
    // Ann on both days, Bob on day 2; Pat on day 1, Chris Lee on day 2.
    EXPECT_EQ(facts.pages, 5);
    EXPECT_NE(facts.pageSize.find("595.276 x 841.89 pts (A4)"), std::string::npos)
        << facts.pageSize;
    EXPECT_NE(facts.fonts.find("Helvetica "), std::string::npos) << facts.fonts;
    EXPECT_NE(facts.fonts.find("Helvetica-Bold"), std::string::npos);
    const size_t teacher = facts.text.find("Schedule for teacher Ann Smith");
    const size_t bobSheet = facts.text.find("Schedule for teacher Bob Brown");
    const size_t parent = facts.text.find("Schedule for Pat Jones");
    const size_t lastParent = facts.text.find("Schedule for Chris Lee");
    EXPECT_TRUE(teacher < bobSheet && bobSheet < parent && parent < lastParent) << facts.text;
    EXPECT_NE(facts.text.find("6:10pm - 6:15pm: Ann Smith (Maths) (Room 4)"), std::string::npos);
    EXPECT_NE(facts.text.find("6:10pm: Pat Jones about Sam Jones (Maths)"), std::string::npos);
    EXPECT_EQ(CountOf(facts.text, "Scan this code with your phone"), 5U);
    EXPECT_EQ(CountOf(facts.text, "\f"), 5U);
    EXPECT_EQ(sink.GetText(), "");
}

TEST_F(PdfOutput, OneParentGivesAPageForEachDayWithBookingsOnly) {
    PrintSettings settings;
    settings.SelectSingleParent(event->GetParents().IndexOf(pat));
    Request(sam, bob, "", 1, 5);
    ASSERT_TRUE(Create(settings));
    const PdfFacts facts = ReadPdf(pdf);
    EXPECT_EQ(facts.pages, 2);
    EXPECT_EQ(CountOf(facts.text, "Schedule for Pat Jones"), 2U);
    EXPECT_EQ(facts.text.find("Chris Lee"), std::string::npos);
    EXPECT_EQ(facts.text.find("Schedule for teacher"), std::string::npos);
}

TEST_F(PdfOutput, NothingToPrintIsSaidAndNoFileIsMade) {
    PrintSettings settings;
    settings.SetTeachers(false);
    settings.SetParents(false);
    EXPECT_FALSE(Create(settings));
    EXPECT_EQ(sink.GetText(),
              "Error: There is nothing to print: no teacher or parent has a handout under these "
              "print settings.\n");
    EXPECT_TRUE(folder.Names().empty());
}

TEST_F(PdfOutput, TheLogoStandsTopRightAnEighthOfTheWidthWide) {
    PrintSettings settings;
    settings.SetLogoFile(folder.Write("logo.png", SolidPng(400, 100, 255, 0, 0)));
    settings.SetQRCodes(false);
    ASSERT_TRUE(Create(settings)) << sink.GetText();
    const PageRaster page = RenderPage(pdf, folder.File("page"));
    ASSERT_NEAR(page.width, 2 * 595.3, 1);
    const std::vector<int> box = page.RedBox();
    // 515.3 points of printable width / 8 = 64.4 wide, 16.1 high, 40 points in from the
    // right and the top.
    EXPECT_NEAR((box[2] - box[0]) / 2.0, 64.4, 1);
    EXPECT_NEAR((box[3] - box[1]) / 2.0, 16.1, 1);
    EXPECT_NEAR(595.3 - box[2] / 2.0, 40, 1);
    EXPECT_NEAR(box[1] / 2.0, 40, 1);
    EXPECT_EQ(sink.GetText(), "");
}

TEST_F(PdfOutput, ALogoThatCannotBeLoadedIsWarnedAboutOnceAndLeftOut) {
    const struct {
        const char* name;
        std::string file;
    } cases[] = {
        {"missing", folder.File("nowhere.png")},
        {"unknown kind", folder.Write("logo.gif", "GIF89a")},
        {"text called png", folder.Write("logo.png", "not an image at all")},
        {"truncated png", folder.Write("cut.png", SolidPng(40, 10, 255, 0, 0).substr(0, 60))},
        // Its scan cut short, or its end marker missing: libjpeg only warns about either.
        {"truncated jpeg", folder.Write("cut.jpg", TinyJpeg().substr(0, TinyJpeg().size() - 4))},
        {"jpeg without its end",
         folder.Write("open.jpeg", TinyJpeg().substr(0, TinyJpeg().size() - 2))},
        {"folder", folder.File("")},
        // Opening a FIFO waits for a writer that never comes.
        {"fifo", MakeFifo(folder.File("pipe.png"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PrintSettings settings;
        settings.SetLogoFile(c.file);
        settings.SetQRCodes(false);
        ASSERT_TRUE(Create(settings));
        EXPECT_EQ(sink.GetText(), "Warning: The logo file '" + c.file +
                                      "' could not be loaded. PDF file will be created with no "
                                      "logo.\n");
        EXPECT_EQ(ReadPdf(pdf).pages, 5);
        EXPECT_EQ(CountOf(RunCommand("pdfimages -list '" + pdf + "'"), "image"), 0U);
        EXPECT_TRUE(IsSoundPdf(pdf)) << RunCommand("qpdf --check --decode-level=all '" + pdf + "'");
    }
}

TEST_F(PdfOutput, AWholeJpegLogoIsEmbeddedAndDecodesCleanly) {
    PrintSettings settings;
    settings.SetLogoFile(folder.Write("logo.jpg", TinyJpeg()));
    settings.SetQRCodes(false);
    ASSERT_TRUE(Create(settings)) << sink.GetText();
    EXPECT_EQ(sink.GetText(), "");
    const std::string images = RunCommand("pdfimages -list '" + pdf + "'");
    EXPECT_EQ(CountOf(images, " image "), 5U) << images;
    EXPECT_EQ(CountOf(images, " jpeg "), 5U) << images;
    EXPECT_TRUE(IsSoundPdf(pdf)) << RunCommand("qpdf --check --decode-level=all '" + pdf + "'");
}

TEST_F(PdfOutput, TheQRCodeReadsBackAsThePersonsCalendarEntry) {
    for (int type : {0, 1}) {
        SCOPED_TRACE(type);
        controller.GetUserSettings().SetICalendarType(type);
        PrintSettings settings;
        settings.SelectSingleParent(event->GetParents().IndexOf(pat));
        ASSERT_TRUE(Create(settings));
        RunCommand("pdftoppm -r 300 -png -singlefile '" + pdf + "' '" + folder.File("qr") + "'");
        std::string decoded = RunCommand("zbarimg --quiet --raw '" + folder.File("qr.png") + "'");
        std::string expected = SheetCalendarText(*Day(0), pat, type);
        ASSERT_FALSE(expected.empty());
        ASSERT_FALSE(decoded.empty());
        decoded.erase(std::remove(decoded.begin(), decoded.end(), '\r'), decoded.end());
        expected.erase(std::remove(expected.begin(), expected.end(), '\r'), expected.end());
        EXPECT_EQ(decoded, expected + "\n");
        EXPECT_NE(expected.find(type == 0 ? "DTSTART:20240305T181000" : "DTSTART:20240305T180000"),
                  std::string::npos)
            << expected;
    }
}

// A calendar type the program does not know gives no entry a phone could add, and an entry too
// long for a QR symbol gives no code: either way no line asks to scan one.
TEST_F(PdfOutput, ASheetWithoutAQRCodeHasNoScanLine) {
    const char* scan = "Scan this code with your phone to add this event to your calendar:";
    const std::string school = event->GetSchoolName();
    const struct {
        int type;
        size_t schoolLength;  // 0: the school's own name
        bool code;
    } cases[] = {{0, 0, true}, {1, 0, true}, {2, 0, false}, {-1, 0, false}, {0, 900, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " " + std::to_string(c.schoolLength));
        controller.GetUserSettings().SetICalendarType(c.type);
        event->SetSchoolName(c.schoolLength > 0 ? std::string(c.schoolLength, 'S') : school);
        EXPECT_EQ(SheetCalendarText(*Day(0), pat, c.type).empty(), c.type != 0 && c.type != 1);
        PrintSettings settings;
        settings.SelectSingleParent(event->GetParents().IndexOf(pat));
        ASSERT_TRUE(Create(settings));
        EXPECT_EQ(ReadPdf(pdf).text.find(scan) != std::string::npos, c.code);
    }
}

TEST_F(PdfOutput, NamesInAnyLanguageComeOutAsWritten) {
    ann->SetName("Zoë Ångström");
    bob->SetName("Дмитрий Петров");
    pat->SetName("Łucja Nowak €");
    ASSERT_TRUE(Create(PrintSettings())) << sink.GetText();
    const PdfFacts facts = ReadPdf(pdf);
    EXPECT_NE(facts.text.find("Schedule for teacher Zoë Ångström"), std::string::npos)
        << facts.text;
    EXPECT_NE(facts.text.find("Schedule for teacher Дмитрий Петров"), std::string::npos);
    EXPECT_NE(facts.text.find("Schedule for Łucja Nowak €"), std::string::npos);
    EXPECT_NE(facts.fonts.find("DejaVuSans"), std::string::npos) << facts.fonts;
}

TEST_F(PdfOutput, ALongTeacherDayContinuesOnFurtherPages) {
    Day(0)->SetStartTime(TimeOfDay(8, 0, 0));
    Day(1)->SetStartTime(TimeOfDay(8, 0, 0));
    const int last = Day(0)->GetNumSlots() - 1;
    Request(sam, bob, "Late", 0, last);
    PrintSettings settings;
    settings.SelectSingleTeacher(event->GetTeachers().IndexOf(bob));
    ASSERT_TRUE(Create(settings));
    const PdfFacts facts = ReadPdf(pdf);
    EXPECT_GE(facts.pages, 3);
    EXPECT_NE(facts.text.find("8:00am:"), std::string::npos);
    EXPECT_NE(facts.text.find("9:55pm: Pat Jones about Sam Jones (Late)"), std::string::npos)
        << facts.text;
    for (int hour = 8; hour <= 21; ++hour) {
        const int shown = hour > 12 ? hour - 12 : hour;
        const std::string suffix = hour >= 12 ? "pm" : "am";
        for (int minute = 0; minute < 60; minute += 5) {
            char slot[16];
            std::snprintf(slot, sizeof slot, "%d:%02d%s:", shown, minute, suffix.c_str());
            EXPECT_EQ(CountOf(facts.text, std::string("\n") + slot) +
                          CountOf(facts.text, std::string("\f") + slot),
                      1U)
                << slot;
        }
    }
}

// A controller whose scripts are the fake print script, loaded unless the name says "broken".
class ScriptingController : public QMController {
public:
    std::unique_ptr<QMScript> CreateScript(const std::string& fileName) override {
        names.push_back(fileName);
        auto script = std::make_unique<FakePrintScript>(this);
        script->loaded = fileName.find("broken") == std::string::npos;
        return script;
    }
    std::vector<std::string> names;
};

TEST_F(PdfOutput, PrintScriptsFromTheUserSettingsDrawTheSheetsBodies) {
    ScriptingController scripting;
    scripting.GetUserSettings().Set("parentprintscript", "parent.lua");
    scripting.GetUserSettings().Set("teacherprintscript", "broken.lua");
    auto days = std::make_unique<MultiDaySchedule>(*schedule);
    scripting.SetEvent(std::move(days));
    PrintSettings settings;
    settings.SelectSingleParent(event->GetParents().IndexOf(pat));
    {
        PDFPrintout printout(&scripting, settings);
        ASSERT_TRUE(printout.CreatePDF(pdf.c_str())) << sink.GetText();
    }
    EXPECT_EQ(scripting.names, (std::vector<std::string>{"parent.lua", "broken.lua"}));
    const std::string text = ReadPdf(pdf).text;
    EXPECT_NE(text.find("drawn for Pat Jones on 05 Mar 2024"), std::string::npos) << text;
    EXPECT_NE(text.find("Error: parent.lua:3: attempt to index a nil value"), std::string::npos);
    EXPECT_EQ(text.find("6:10pm - 6:15pm"), std::string::npos);

    // A script that did not load leaves the built-in body.
    settings.SelectSingleTeacher(event->GetTeachers().IndexOf(ann));
    {
        PDFPrintout printout(&scripting, settings);
        ASSERT_TRUE(printout.CreatePDF(pdf.c_str()));
    }
    EXPECT_NE(ReadPdf(pdf).text.find("6:10pm: Pat Jones about Sam Jones (Maths)"),
              std::string::npos);
}

// A report holding a word longer than the PDF library takes fails the document; that failure
// must not vanish with the reports collected from the script.
class OverlongReportScript : public FakePrintScript {
public:
    using FakePrintScript::FakePrintScript;
    bool DrawParentPage(Parent*, Schedule*) override {
        ReportMessage(SeverityError, "parent.lua:1: " + std::string(70000, 'x'));
        return false;
    }
};

TEST_F(PdfOutput, AnErrorInPrintingAScriptsReportsIsShown) {
    PrintRendererPDF renderer;
    OverlongReportScript script(&controller);
    {
        ParentPrintJob job(&renderer, schedule, Day(0), nullptr, nullptr, pat, nullptr);
        job.SetScript(&script);
        job.Print();
    }
    EXPECT_FALSE(renderer.IsOK());
    const std::string shown = sink.GetText();
    EXPECT_EQ(shown.rfind("Error: Error code 105B/0 while creating PDF document\n", 0), 0U)
        << shown;
}

// --- the renderer and its images ---

class PdfRenderer : public ::testing::Test {
protected:
    UCStringError sink;
    PrintRendererPDF renderer;
    TempFolder folder;
};

TEST_F(PdfRenderer, PenMovesOneLineHeightPerLineAndCellsMoveItEvenWhenEmpty) {
    renderer.StartPage();
    ASSERT_EQ(renderer.GetPageCount(), 1);
    const float top = renderer.GetPenY();
    const float line = renderer.GetLineHeight();
    EXPECT_NEAR(top, 841.89 - 40, 0.01);
    EXPECT_NEAR(line, 12 * 0.833 * 1.5, 0.05);
    renderer.PrintText("a\nb\r\nc");
    EXPECT_NEAR(renderer.GetPenY(), top - 3 * line, 0.01);
    // The pen stays after the text, where a cell would go on.
    const float afterText = renderer.GetPenX();
    EXPECT_GT(afterText, 40);
    renderer.PrintCell("", CellStyle::Normal, CellAdvance::Beside, 25);
    EXPECT_NEAR(renderer.GetPenX(), afterText + 515.276 * 0.25, 0.01);
    renderer.PrintCell("", CellStyle::Normal, CellAdvance::EndRow, 25);
    EXPECT_NEAR(renderer.GetPenX(), 40, 0.01);
    EXPECT_NEAR(renderer.GetPenY(), top - 4 * line, 0.01);
    renderer.PrintFooter("footer");
    EXPECT_NEAR(renderer.GetPenY(), top - 4 * line, 0.01);
    EXPECT_EQ(renderer.GetPageCount(), 1);
}

TEST_F(PdfRenderer, WrapsWordsAndLetsAnOverlongWordRunPastTheMargin) {
    renderer.StartPage();
    const float top = renderer.GetPenY();
    const float line = renderer.GetLineHeight();
    std::string words;
    for (int i = 0; i < 40; ++i) {
        words += "word" + std::to_string(i) + " ";
    }
    renderer.PrintText(words + "end");
    const int wrapped = static_cast<int>(std::lround((top - renderer.GetPenY()) / line));
    EXPECT_GE(wrapped, 3);
    renderer.PrintText(std::string(120, 'W'));
    EXPECT_NEAR(renderer.GetPenY(), top - (wrapped + 1) * line, 0.01);
    EXPECT_EQ(renderer.SaveToFile(folder.File("w.pdf").c_str()), HPDF_OK);
    const std::string text = RunCommand("pdftotext -layout '" + folder.File("w.pdf") + "' -");
    EXPECT_NE(text.find("word0 word1"), std::string::npos);
    EXPECT_NE(text.find("end"), std::string::npos);
    EXPECT_NE(text.find("WWWWWWWWWW"), std::string::npos);
}

TEST_F(PdfRenderer, CellsAtTheTopOfAPageAreDrawnWithinTheirColumn) {
    renderer.StartPage();
    renderer.PrintCell("Time", CellStyle::Bold, CellAdvance::Beside, 30);
    renderer.PrintCell("Teacher", CellStyle::Bold, CellAdvance::EndRow, 70);
    renderer.PrintCell("6:00pm", CellStyle::Normal, CellAdvance::Beside, 30);
    renderer.PrintCell("Ann Smith", CellStyle::Normal, CellAdvance::EndRow, 70);
    ASSERT_EQ(renderer.SaveToFile(folder.File("c.pdf").c_str()), HPDF_OK);
    const std::string text = RunCommand("pdftotext -layout '" + folder.File("c.pdf") + "' -");
    EXPECT_NE(text.find("Time"), std::string::npos) << text;
    EXPECT_NE(text.find("Teacher"), std::string::npos);
    EXPECT_NE(text.find("6:00pm"), std::string::npos);
    EXPECT_NE(text.find("Ann Smith"), std::string::npos);
}

TEST_F(PdfRenderer, ALibraryErrorIsReportedAndStopsAllFurtherText) {
    renderer.StartPage();
    // An image loaded without its renderer's protection counts against the document.
    PDFImage unguarded(renderer.CreateImage()->GetDocument());
    HPDF_LoadPngImageFromFile(unguarded.GetDocument(), folder.File("missing.png").c_str());
    EXPECT_FALSE(renderer.IsOK());
    const std::string message = sink.GetText();
    EXPECT_EQ(message.rfind("Error: Error code ", 0), 0U) << message;
    EXPECT_NE(message.find(" while creating PDF document\n"), std::string::npos);
    const float penY = renderer.GetPenY();
    renderer.PrintText("more");
    renderer.PrintCell("cell", CellStyle::Normal, CellAdvance::EndRow, 50);
    EXPECT_EQ(renderer.GetPenY(), penY);
}

TEST_F(PdfRenderer, ImageFilesLoadByTheirEndingWhateverItsCase) {
    const std::string png = SolidPng(4, 2, 0, 0, 0);
    const struct {
        const char* name;
        std::string bytes;
        bool loads;
    } cases[] = {
        {"logo.PNG", png, true},
        {"logo.Png", png, true},
        {"logo.png", png, true},
        {"logo.jpeg", TinyJpeg(), true},
        {"logo.JPG", TinyJpeg(), true},
        {"logo.gif", png, false},
        {"png", png, false},
        {"logo.jpg", png, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto image = renderer.CreateImage();
        EXPECT_EQ(image->LoadFile(folder.Write(c.name, c.bytes)), c.loads);
        EXPECT_EQ(image->GetImage() != nullptr, c.loads);
    }
    EXPECT_TRUE(renderer.IsOK());
    EXPECT_EQ(sink.GetText(), "");
}

// Every stream of a PDF file, inflated when its dictionary names FlateDecode; raw otherwise.
struct PdfStream {
    bool flate = false;
    std::string bytes;
};

std::vector<PdfStream> ReadStreams(const std::string& pdf) {
    std::vector<PdfStream> streams;
    for (size_t at = pdf.find("\nstream\r\n"); at != std::string::npos;
         at = pdf.find("\nstream\r\n", at + 1)) {
        const size_t begin = at + 9;
        const size_t end = pdf.find("\nendstream", begin);
        const std::string dictionary = pdf.substr(pdf.rfind("<<", at), at - pdf.rfind("<<", at));
        PdfStream stream;
        stream.flate = dictionary.find("/FlateDecode") != std::string::npos;
        stream.bytes = pdf.substr(begin, end - begin);
        if (stream.flate) {
            std::string inflated(1 << 20, '\0');
            uLongf length = static_cast<uLongf>(inflated.size());
            if (uncompress(reinterpret_cast<Bytef*>(inflated.data()), &length,
                           reinterpret_cast<const Bytef*>(stream.bytes.data()),
                           static_cast<uLong>(stream.bytes.size())) != Z_OK) {
                ADD_FAILURE() << "a stream does not inflate";
            }
            inflated.resize(length);
            stream.bytes = inflated;
        }
        streams.push_back(stream);
    }
    return streams;
}

// Pages are compressed while later ones are drawn: whoever compressed them, the file is the same,
// every page and image stream is compressed once, and the text reads back.
TEST(PdfStreams, FinishedPagesAndImagesAreCompressedAlikeWhoeverCompressesThem) {
    constexpr int kSheets = 3 * static_cast<int>(PdfStreamCompressor::kMaxWaiting);
    QRCodeMatrix code;
    ASSERT_TRUE(code.Encode("BEGIN:VCALENDAR"));
    TempFolder folder;
    std::string files[2];
    const unsigned kWorkers[] = {0, 3};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(kWorkers[i]);
        UCStringError sink;
        PrintRendererPDF renderer(kWorkers[i]);
        for (int sheet = 1; sheet <= kSheets; ++sheet) {
            renderer.StartPage();
            renderer.PrintBoldText("Sheet " + std::to_string(sheet));
            renderer.PrintText("6:00pm: Ann Smith about Amy Smith (Maths)");
            auto image = renderer.CreateImage();
            image->CreateFromQRCode(code);
            renderer.PrintImage(image.get(), PrintRenderer::kImageBottom);
        }
        const std::string path = folder.File("streams" + std::to_string(i) + ".pdf");
        ASSERT_EQ(renderer.SaveToFile(path.c_str()), HPDF_OK);
        EXPECT_EQ(sink.GetText(), "");
        files[i] = folder.Read("streams" + std::to_string(i) + ".pdf");
    }
    EXPECT_TRUE(files[0] == files[1]) << "the two files differ";

    const std::vector<PdfStream> streams = ReadStreams(files[1]);
    ASSERT_EQ(streams.size(), 2U * kSheets);
    int pages = 0;
    int images = 0;
    for (const PdfStream& stream : streams) {
        EXPECT_TRUE(stream.flate);
        if (stream.bytes.find("BT") != std::string::npos) {
            EXPECT_NE(stream.bytes.find("(Sheet " + std::to_string(++pages) + ")"),
                      std::string::npos);
        } else {
            EXPECT_EQ(stream.bytes.size(), static_cast<size_t>(code.GetWidth() * code.GetWidth()));
            ++images;
        }
    }
    EXPECT_EQ(pages, kSheets);
    EXPECT_EQ(images, kSheets);
    EXPECT_EQ(CountOf(files[1], "/FlateDecode"), 2U * kSheets);
    const std::string text = RunCommand("pdftotext '" + folder.File("streams1.pdf") + "' -");
    EXPECT_NE(text.find("Sheet 1\n"), std::string::npos);
    EXPECT_NE(text.find("Sheet " + std::to_string(kSheets)), std::string::npos);
}

// The stream's symbols are the symbols of their texts, however many workers make them and in
// whatever order they are asked for.
TEST(QRCode, AStreamGivesEachTextsOwnSymbolWhoeverMakesIt) {
    std::vector<std::string> texts;
    for (int i = 0; i < 120; ++i) {
        texts.push_back(i % 7 == 3 ? std::string() : "BEGIN:VEVENT " + std::to_string(i * 7919));
    }
    texts.push_back(std::string(4000, 'x'));  // too long for any symbol
    auto modules = [](const QRCodeMatrix& code) {
        std::string dark;
        for (int y = 0; y < code.GetWidth(); ++y) {
            for (int x = 0; x < code.GetWidth(); ++x) {
                dark += code.IsDark(x, y) ? '1' : '0';
            }
        }
        return dark;
    };
    std::vector<std::string> expected;
    for (const std::string& text : texts) {
        QRCodeMatrix code;
        if (!text.empty()) {
            code.Encode(text.c_str());
        }
        expected.push_back(modules(code));
    }
    for (unsigned workers : {0u, 1u, 3u}) {
        for (bool backwards : {false, true}) {
            SCOPED_TRACE(std::to_string(workers) +
                         (backwards ? " workers, last first" : " workers"));
            QRCodeStream stream(texts, workers);
            for (size_t k = 0; k < texts.size(); ++k) {
                const size_t i = backwards ? texts.size() - 1 - k : k;
                QRCodeMatrix& code = stream.Get(i);
                EXPECT_EQ(modules(code), expected[i]) << i;
                EXPECT_EQ(code.GetWidth() == 0, texts[i].empty() || i + 1 == texts.size());
                code.Free();
            }
            EXPECT_EQ(stream.Get(texts.size()).GetWidth(), 0);
        }
    }
}

TEST(QRCode, EveryModuleBecomesOnePixelAndOverlongTextGivesNoCode) {
    QRCodeMatrix matrix;
    ASSERT_TRUE(matrix.Encode("HELLO"));
    ASSERT_EQ(matrix.GetWidth(), 21);
    // The finder pattern's corner and the light ring inside it.
    EXPECT_TRUE(matrix.IsDark(0, 0));
    EXPECT_FALSE(matrix.IsDark(1, 1));
    EXPECT_FALSE(matrix.IsDark(21, 0));
    PrintRendererPDF renderer;
    renderer.StartPage();
    auto image = renderer.CreateImage();
    image->CreateFromQRCode(matrix);
    ASSERT_NE(image->GetImage(), nullptr);
    EXPECT_EQ(HPDF_Image_GetWidth(image->GetImage()), 21U);
    EXPECT_EQ(HPDF_Image_GetHeight(image->GetImage()), 21U);
    renderer.PrintImage(image.get(), PrintRenderer::kImageBottom);

    EXPECT_FALSE(matrix.Encode(std::string(4000, 'x').c_str()));
    EXPECT_EQ(matrix.GetWidth(), 0);
    EXPECT_FALSE(matrix.IsDark(0, 0));
    auto empty = renderer.CreateImage();
    empty->CreateFromQRCode(matrix);
    EXPECT_EQ(empty->GetImage(), nullptr);
    renderer.PrintImage(empty.get(), PrintRenderer::kImageBottom);
    EXPECT_TRUE(renderer.IsOK());
}

}  // namespace
