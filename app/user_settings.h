#pragma once

#include <map>
#include <optional>
#include <string>

#include "foundation/colour.h"

// The per-user preferences that belong to no event file (overview colours, optimiser size,
// print scripts, import and update switches): a map from key to text, kept in
// user_settings.dat as one `key "percent-encoded value"` line a setting. Once loaded from or
// saved to a file, every change is written straight back to it, so no change is lost when the
// program ends without saving an event.
class UserSettings {
public:
    UserSettings() = default;

    // Writes every entry, in key order, through an atomic replacement of the file; written
    // again to the file it came from, what another copy of the program wrote there since is
    // kept, but for the keys this one changed. On failure
    // reports "Cannot save to file '<path>': <reason>" and keeps the old file and the modified
    // flag. A file that did not load whole is never written over (said as a Warning, again
    // only after a further change).
    [[nodiscard]] bool Save(const std::string& path);
    // Replaces the entries with the file's; a missing file leaves them as they are and counts
    // as success. Stops at the first damaged line with a line-numbered message, keeping the
    // entries read before it. A name that is not UTF-8 is read as Windows-1252.
    [[nodiscard]] bool Load(const std::string& path);
    // Removes every entry; the modified flag stays as it was.
    void Clear() { entries_.clear(); }

    // "" when the key is absent.
    std::string Get(const std::string& key) const;
    // atoi of the value: 0 when absent or not a number.
    int GetInt(const std::string& key) const;
    // The default when the value is absent or empty, else atoi of it.
    int GetInt(const std::string& key, int defaultValue) const;
    // The default when the key is absent; a stored value that is not hex reads as black.
    Colour GetColour(const std::string& key, Colour defaultValue) const;

    // An empty value is stored as such, not removed; the value the key holds already is no
    // change. Keys that could not be read back from the
    // file (empty, not UTF-8, with blanks or quotes, a leading brace, '=' or '#', a trailing
    // ':', or the shape of a time) are refused with a message: false, nothing changed.
    bool Set(const std::string& key, const std::string& value);
    bool SetInt(const std::string& key, int value);
    bool SetColour(const std::string& key, Colour colour);
    // Nothing happens, and the modified flag stays, when the key is absent.
    void Delete(const std::string& key);

    int GetICalendarType() const { return GetInt("icalendartype"); }
    void SetICalendarType(int type) { SetInt("icalendartype", type); }

    // The three-level colours take level 0 low, 1 normal or 2 high; any other level reads as
    // black and is never written.
    Colour GetColourBookedOK(int level) const;
    void SetColourBookedOK(int level, Colour colour);
    Colour GetColourBookedBad(int level) const;
    void SetColourBookedBad(int level, Colour colour);
    Colour GetColourTwinGap(int level) const;
    void SetColourTwinGap(int level, Colour colour);
    Colour GetColourTeacherBusy() const;
    void SetColourTeacherBusy(Colour colour);
    Colour GetColourTeacherBreak() const;
    void SetColourTeacherBreak(Colour colour);
    Colour GetColourAbsent() const;
    void SetColourAbsent(Colour colour);
    Colour GetColourPresentation() const;
    void SetColourPresentation(Colour colour);

    bool IsModified() const { return modified_; }
    // Whether changes go to a file: not before a Load or Save, nor to a file that did not load
    // whole or was damaged since.
    bool IsWrittenToFile() const { return !filePath_.empty() && filePath_ != damagedPath_; }
    unsigned Count() const { return static_cast<unsigned>(entries_.size()); }
    // The file that changes are written to; empty before the first Load or Save.
    const std::string& GetFilePath() const { return filePath_; }

    // Whether the key reads back from the settings file as the same key.
    static bool IsStorableKey(const std::string& key);

    // While one lives, changes wait to be written through until the outermost ends: settings
    // changed together reach the file in one write, and a write that fails is one message,
    // not one a setting.
    class WriteHold {
    public:
        explicit WriteHold(UserSettings& settings);
        ~WriteHold();
        WriteHold(const WriteHold&) = delete;
        WriteHold& operator=(const WriteHold&) = delete;

    private:
        UserSettings& settings_;
    };

private:
    void WriteThrough();

    std::map<std::string, std::string> entries_;
    // What this run set (a value) or deleted (none) since its last write: another copy of the
    // program writes the same file, and keeps everything else it wrote.
    std::map<std::string, std::optional<std::string>> touched_;
    bool modified_ = false;
    std::string filePath_;
    // The file of the last Load while it failed: what is left of it stays as it is.
    std::string damagedPath_;
    bool damagedReported_ = false;
    // Changes made, and how many there were when the refusal was last said.
    unsigned changes_ = 0;
    unsigned reportedAtChange_ = 0;
    int writeHolds_ = 0;
    bool writeHeld_ = false;
};
