#pragma once

#include <functional>
#include <string>
#include <vector>

class PrintSettings;

// The page and cell arithmetic of a printed run, apart from any device: which sheets land on
// which page and where, in the device units of one page.

// The four parts of a printed run, always in this order.
enum class PrintSection { TeacherHandouts, ParentHandouts, TeacherOverviews, ParentOverviews };

struct SectionPages {
    PrintSection section;
    int sheetsPerPage;
    int pages;
};

// Pages that sheetCount sheets take at sheetsPerPage a page; none for no sheets, so an empty
// list never prints a blank page.
int SectionPageCount(int sheetCount, int sheetsPerPage);

// The sections the settings ask for, with their page counts.
std::vector<SectionPages> PlanSections(const PrintSettings& settings, int teacherSheets,
                                       int parentSheets);
int TotalPages(const std::vector<SectionPages>& plan);
// The section holding the run's page (from 1) and the page within it (from 1); false for a
// page outside the run.
bool LocatePage(const std::vector<SectionPages>& plan, int page, PrintSection* section,
                int* sectionPage);

// The sheet (from 0) and its page (from 0) shown on a section's page (from 1), when sheet i
// takes pagesPerSheet[i] pages; false past the end.
bool LocateSheetPage(const std::vector<int>& pagesPerSheet, int sectionPage, int* sheet,
                     int* sheetPage);

// A page of parent sheets two a page: the sheets on its lower and upper halves (-1 for none),
// or, for a sheet too long for a half page, page wholePage (from 0) of that sheet printed as a
// whole-page sheet.
struct HalfPagePlan {
    int lower = -1;
    int upper = -1;
    int whole = -1;
    int wholePage = 0;
    bool operator==(const HalfPagePlan&) const = default;
};
// The pages of sheets two a page, in the sheets' order; wholePages[i] is 0 for a sheet that
// fits its half page, else the whole pages it takes. A long sheet leaves the half page before
// it as it stands, so no sheet moves ahead of another.
std::vector<HalfPagePlan> PlanHalfPages(const std::vector<int>& wholePages);

struct PageRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const PageRect&) const = default;
};

// The margin on all four sides of a page width wide.
int PageMargin(int pageWidth);
// A whole-page sheet: the page less its margins.
PageRect HandoutArea(int pageWidth, int pageHeight);
// The half of a page where a two-a-page sheet goes: even indexes on the lower half, odd ones on
// the upper; clip is the rectangle the sheet may draw in.
PageRect HalfPageArea(int pageWidth, int pageHeight, int sheetIndex, PageRect* clip);
// The cell of an overview page that holds sheet index, filled row by row from the top left.
PageRect OverviewCell(int pageWidth, int pageHeight, int sheetIndex, int columns, int rows);

// Where a table cell that starts at start ends, for a percentage of the line's length.
int CellEnd(int start, int lineStart, int lineEnd, float widthPercent);
// A line cut before each word; each word keeps the blank that ends it.
std::vector<std::string> SplitWords(const std::string& line);

// Where a wrapped line's text goes: along the line and across the lines. Upright sheets run
// along x and across y; turned ones along the distance from the area's bottom and across x.
struct LineCursor {
    int along = 0;
    int across = 0;
};
struct LinePiece {
    std::string text;
    int along;
    int across;
};
// Lays a line out from the cursor between lineStart and lineEnd, whole when it fits (ending
// exactly at lineEnd does not), else word by word; nextLine gives the across of the line after
// the one at its argument. A word longer than a whole line stands alone at a line's start (the
// sheet's clip cuts it) and the next word starts a new line. The cursor ends after the last
// piece.
std::vector<LinePiece> WrapLine(const std::string& line, LineCursor& cursor, int lineStart,
                                int lineEnd, const std::function<int(int across)>& nextLine,
                                const std::function<int(const std::string&)>& measure);

// A sheet longer than its area goes on over further pages, each showing the next band of the
// area's height. Lines never straddle two pages: a line that would end past its band starts
// the next one. Coordinates here run down the whole sheet from the area's top. The first page
// may keep a foot clear of lines, where the sheet's QR code and its scan line go.
class SheetBands {
public:
    SheetBands(int top, int height, int firstFoot = 0)
        : top_(top), height_(height > 0 ? height : 1), firstFoot_(firstFoot > 0 ? firstFoot : 0) {}
    // The band (0 for the first page) that the line starting at y lies on.
    int BandOf(int y) const { return y < top_ ? 0 : (y - top_) / height_; }
    // Where a line starting at y on its page appears.
    int OnPage(int y) const { return y - BandOf(y) * height_; }
    // The start of the line after the one at y.
    int NextLine(int y, int lineHeight) const;

private:
    int top_;
    int height_;
    int firstFoot_;
};

// Printer fonts shrink with the page in a preview: (printer ppi / screen ppi) times the part
// of the page the device context covers.
double PageFontScale(int printerPpiX, int screenPpiX, int dcHeight, int pageHeightPixels);
// A nominal point size at that scale, truncated; never below 1 so text stays visible, and
// never beyond kMaxPointSize, whatever size an event file brings.
constexpr int kMaxPointSize = 1000000;
int ScaledPointSize(double nominalPoints, double scale);
