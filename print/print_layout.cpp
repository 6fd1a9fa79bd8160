#include "print/print_layout.h"

#include <algorithm>

#include "model/print_settings.h"

int SectionPageCount(int sheetCount, int sheetsPerPage) {
    if (sheetCount <= 0 || sheetsPerPage <= 0) {
        return 0;
    }
    return (sheetCount - 1) / sheetsPerPage + 1;
}

std::vector<SectionPages> PlanSections(const PrintSettings& settings, int teacherSheets,
                                       int parentSheets) {
    std::vector<SectionPages> plan;
    auto add = [&plan](PrintSection section, int perPage, int sheets) {
        plan.push_back({section, perPage, SectionPageCount(sheets, perPage)});
    };
    if (settings.GetTeachers()) {
        add(PrintSection::TeacherHandouts, 1, teacherSheets);
    }
    if (settings.GetParents()) {
        add(PrintSection::ParentHandouts, settings.GetOneParentPerSheet() ? 1 : 2, parentSheets);
    }
    if (settings.GetTeacherOverviews()) {
        add(PrintSection::TeacherOverviews, 4, teacherSheets);
    }
    if (settings.GetParentOverviews()) {
        add(PrintSection::ParentOverviews, 16, parentSheets);
    }
    return plan;
}

int TotalPages(const std::vector<SectionPages>& plan) {
    int total = 0;
    for (const SectionPages& section : plan) {
        total += section.pages;
    }
    return total;
}

bool LocatePage(const std::vector<SectionPages>& plan, int page, PrintSection* section,
                int* sectionPage) {
    if (page < 1) {
        return false;
    }
    for (const SectionPages& part : plan) {
        if (page <= part.pages) {
            *section = part.section;
            *sectionPage = page;
            return true;
        }
        page -= part.pages;
    }
    return false;
}

bool LocateSheetPage(const std::vector<int>& pagesPerSheet, int sectionPage, int* sheet,
                     int* sheetPage) {
    int page = sectionPage - 1;
    if (page < 0) {
        return false;
    }
    for (size_t i = 0; i < pagesPerSheet.size(); ++i) {
        if (page < pagesPerSheet[i]) {
            *sheet = static_cast<int>(i);
            *sheetPage = page;
            return true;
        }
        page -= pagesPerSheet[i];
    }
    return false;
}

std::vector<HalfPagePlan> PlanHalfPages(const std::vector<int>& wholePages) {
    std::vector<HalfPagePlan> pages;
    bool upperFree = false;
    for (size_t i = 0; i < wholePages.size(); ++i) {
        const int sheet = static_cast<int>(i);
        if (wholePages[i] > 0) {
            for (int page = 0; page < wholePages[i]; ++page) {
                pages.push_back({.whole = sheet, .wholePage = page});
            }
            upperFree = false;
        } else if (upperFree) {
            pages.back().upper = sheet;
            upperFree = false;
        } else {
            pages.push_back({.lower = sheet});
            upperFree = true;
        }
    }
    return pages;
}

int PageMargin(int pageWidth) {
    return pageWidth / 20;
}

PageRect HandoutArea(int pageWidth, int pageHeight) {
    const int m = PageMargin(pageWidth);
    return {m, m, pageWidth - m, pageHeight - m};
}

PageRect HalfPageArea(int pageWidth, int pageHeight, int sheetIndex, PageRect* clip) {
    const int m = PageMargin(pageWidth);
    const int halfHeight = pageHeight / 2 - 2 * m;
    PageRect area;
    area.left = m;
    area.right = pageWidth - m;
    area.top = sheetIndex % 2 == 0 ? pageHeight / 2 : m;
    area.bottom = area.top + halfHeight;
    if (clip != nullptr) {
        *clip = {m, area.top, pageWidth - m, area.top + halfHeight + m};
    }
    return area;
}

PageRect OverviewCell(int pageWidth, int pageHeight, int sheetIndex, int columns, int rows) {
    const int m = PageMargin(pageWidth);
    const int cellWidth = (pageWidth - 2 * m) / columns;
    const int cellHeight = (pageHeight - 2 * m) / rows;
    const int gap = pageWidth / 200;
    const int column = sheetIndex % columns;
    const int row = (sheetIndex % (columns * rows)) / columns;
    PageRect cell;
    cell.left = m + column * cellWidth;
    cell.top = m + row * cellHeight;
    cell.right = cell.left + cellWidth - gap;
    cell.bottom = cell.top + cellHeight - gap;
    return cell;
}

int CellEnd(int start, int lineStart, int lineEnd, float widthPercent) {
    return start +
           static_cast<int>(static_cast<double>(lineEnd - lineStart) * widthPercent / 100.0);
}

std::vector<std::string> SplitWords(const std::string& line) {
    std::vector<std::string> words;
    size_t begin = 0;
    while (begin < line.size()) {
        const size_t blank = line.find(' ', begin);
        const size_t end = blank == std::string::npos ? line.size() : blank + 1;
        words.push_back(line.substr(begin, end - begin));
        begin = end;
    }
    return words;
}

std::vector<LinePiece> WrapLine(const std::string& line, LineCursor& cursor, int lineStart,
                                int lineEnd, const std::function<int(int across)>& nextLine,
                                const std::function<int(const std::string&)>& measure) {
    std::vector<LinePiece> pieces;
    auto placeIfFits = [&](const std::string& text) {
        const int width = measure(text);
        if (cursor.along + width >= lineEnd) {
            return false;
        }
        pieces.push_back({text, cursor.along, cursor.across});
        cursor.along += width;
        return true;
    };
    if (line.empty() || placeIfFits(line)) {
        return pieces;
    }
    for (const std::string& word : SplitWords(line)) {
        if (placeIfFits(word)) {
            continue;
        }
        if (cursor.along > lineStart) {
            cursor.along = lineStart;
            cursor.across = nextLine(cursor.across);
            if (placeIfFits(word)) {
                continue;
            }
        }
        pieces.push_back({word, cursor.along, cursor.across});
        cursor.along = lineEnd;
    }
    return pieces;
}

int SheetBands::NextLine(int y, int lineHeight) const {
    const int next = y + lineHeight;
    const int band = BandOf(y);
    const int bandEnd = top_ + (band + 1) * height_;
    const int room = band == 0 ? std::max(height_ - firstFoot_, 1) : height_;
    // A line that would not fit whole on the page opens the next one.
    if (next + lineHeight > top_ + band * height_ + room && lineHeight < room) {
        return bandEnd;
    }
    return next;
}

double PageFontScale(int printerPpiX, int screenPpiX, int dcHeight, int pageHeightPixels) {
    if (screenPpiX <= 0 || pageHeightPixels <= 0) {
        return 1.0;
    }
    return (static_cast<double>(printerPpiX) / screenPpiX) *
           (static_cast<double>(dcHeight) / pageHeightPixels);
}

// A size beyond an int cannot be converted at all, and the window system scales a point size by
// 1024 in an int of its own.
int ScaledPointSize(double nominalPoints, double scale) {
    const double points = nominalPoints * scale;
    if (!(points >= 1)) {
        return 1;
    }
    return points >= kMaxPointSize ? kMaxPointSize : static_cast<int>(points);
}
