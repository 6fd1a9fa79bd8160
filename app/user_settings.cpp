#include "app/user_settings.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "foundation/atomic_file.h"
#include "foundation/byte_buffer.h"
#include "foundation/files.h"
#include "foundation/percent_encoding.h"
#include "foundation/string_functions.h"
#include "foundation/tokeniser.h"
#include "foundation/uc_error.h"

namespace {

// The keys and defaults of one three-level colour family, low to high.
struct LevelKeys {
    const char* keys[3];
    Colour defaults[3];
};

const LevelKeys kBookedOK = {{"colourbookedoklo", "colourbookedok", "colourbookedokhi"},
                             {Colour(128, 128, 255), Colour(64, 64, 255), Colour(0, 0, 255)}};
const LevelKeys kBookedBad = {{"colourbookedbadlo", "colourbookedbad", "colourbookedbadhi"},
                              {Colour(255, 128, 128), Colour(255, 64, 64), Colour(255, 0, 0)}};
const LevelKeys kTwinGap = {{"colourtwingaplo", "colourtwingap", "colourtwingaphi"},
                            {Colour(160, 64, 160), Colour(144, 32, 144), Colour(128, 0, 128)}};

bool ValidLevel(int level) {
    return level >= 0 && level <= 2;
}

Colour GetLevelColour(const UserSettings& settings, const LevelKeys& family, int level) {
    return ValidLevel(level) ? settings.GetColour(family.keys[level], family.defaults[level])
                             : Colour();
}

void SetLevelColour(UserSettings& settings, const LevelKeys& family, int level, Colour colour) {
    if (ValidLevel(level)) {
        settings.SetColour(family.keys[level], colour);
    }
}

// Held while a run reads the file, merges and writes it back: two runs closing at once would
// each write back what it read before the other's write. The folder is locked, so that no file
// is added beside the settings; a lock not had within a few seconds is done without.
class SettingsWriteLock {
public:
    explicit SettingsWriteLock(const std::string& path) {
        descriptor_ =
            ::open(FolderOf(WriteTargetOf(path)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int attempt = 0; descriptor_ >= 0 && attempt < 500; ++attempt) {
            if (::flock(descriptor_, LOCK_EX | LOCK_NB) == 0) {
                return;
            }
            if (errno != EWOULDBLOCK && errno != EINTR) {
                break;
            }
            ::usleep(10 * 1000);
        }
    }
    ~SettingsWriteLock() {
        if (descriptor_ >= 0) {
            const int failure = errno;  // the write's, reported after this
            ::close(descriptor_);
            errno = failure;
        }
    }
    SettingsWriteLock(const SettingsWriteLock&) = delete;
    SettingsWriteLock& operator=(const SettingsWriteLock&) = delete;

private:
    int descriptor_ = -1;
};

}  // namespace

bool UserSettings::IsStorableKey(const std::string& key) {
    // The file is UTF-8 text: any other name would come back under another spelling. A NUL
    // would cut the name short, and an '=' would be read, and reported, as a time.
    if (key.empty() || !IsValidUTF8(key) || key.find('\0') != std::string::npos ||
        key.front() == '=') {
        return false;
    }
    // Whatever the token reader does not give back whole as a word is not a name it can read.
    Tokeniser reader;
    reader.SetText(key);
    std::string text;
    return reader.NextToken(text) == TokenWord && text == key;
}

bool UserSettings::Save(const std::string& path) {
    const SettingsWriteLock exclusive(path);
    // Said again for every change refused since: each is lost at the end.
    const auto refuse = [&] {
        if (!damagedReported_ || reportedAtChange_ != changes_) {
            damagedReported_ = true;
            reportedAtChange_ = changes_;
            ReportMessage(SeverityWarning,
                          "The settings file '" + path +
                              "' could not be read whole, so it is not written over: changes "
                              "to the settings last only until the program ends");
        }
        return false;
    };
    if (!damagedPath_.empty() && path == damagedPath_) {
        return refuse();
    }
    std::map<std::string, std::string> merged = entries_;
    if (path == filePath_ && FileName(path).Exists()) {
        UserSettings onDisk;
        bool whole = false;
        {
            UCStringError quiet;
            whole = onDisk.Load(path);
        }
        if (whole) {
            merged = std::move(onDisk.entries_);
            for (const auto& [key, value] : touched_) {
                if (value) {
                    merged[key] = *value;
                } else {
                    merged.erase(key);
                }
            }
        } else if (WhyNotOrdinaryFile(path).empty()) {
            // Damaged since it was read (a hand edit, a newer copy's line): what the reader
            // could not get past would go with a write.
            damagedPath_ = path;
            damagedReported_ = false;
            return refuse();
        }
    }
    filePath_ = path;
    std::string content;
    for (const auto& [key, value] : merged) {
        content += key + " \"" + PercentEncode(value.c_str()) + "\"\n";
    }
    if (!WriteFileAtomically(path, content)) {
        UCError::Current().ReportSystemError(SeverityError, "Cannot save to file '" + path + "': ");
        return false;
    }
    entries_ = std::move(merged);
    touched_.clear();
    modified_ = false;
    return true;
}

bool UserSettings::Load(const std::string& path) {
    // Changes are written through only to a file that loaded whole: writing back what little
    // was read of a damaged or unreadable file would throw the rest away.
    filePath_.clear();
    touched_.clear();
    FileName name(path);
    if (!name.Exists()) {
        filePath_ = path;
        damagedPath_.clear();
        return true;
    }
    Clear();
    damagedPath_ = path;
    damagedReported_ = false;
    // A FIFO would wait for a writer, and gives no bytes either when refused.
    if (const std::string why = WhyNotOrdinaryFile(path); !why.empty()) {
        ReportMessage(SeverityError, "Cannot open file '" + path + "': " + why);
        return false;
    }
    std::unique_ptr<ByteBuffer> bytes = name.ReadAll();
    // An empty file gives no bytes either, and holds no settings.
    if (!bytes && name.Size() != 0) {
        UCError::Current().ReportSystemError(SeverityError, "Cannot open file '" + path + "': ");
        return false;
    }
    Tokeniser reader;
    reader.SetText(bytes ? bytes->ToString() : std::string());
    std::string key;
    std::string value;
    for (;;) {
        const TokenKind kind = reader.NextToken(key);
        if (kind == TokenEnd) {
            filePath_ = path;
            damagedPath_.clear();
            return true;
        }
        if (kind != TokenWord) {
            ReportMessage(SeverityError,
                          StringPrintf("Unexpected data at line %d", reader.GetLineNumber()));
            return false;
        }
        if (reader.NextToken(value) != TokenQuoted) {
            ReportMessage(SeverityError,
                          StringPrintf("Unexpected value at line %d", reader.GetLineNumber()));
            return false;
        }
        // Each name on its own, as each value is: one written on Windows in 8-bit text must not
        // turn the UTF-8 names beside it into 8-bit text as well.
        entries_.emplace(FileTextToUTF8(key), PercentDecode(value.c_str()));
    }
}

std::string UserSettings::Get(const std::string& key) const {
    const auto found = entries_.find(key);
    return found != entries_.end() ? found->second : std::string();
}

int UserSettings::GetInt(const std::string& key) const {
    return std::atoi(Get(key).c_str());
}

int UserSettings::GetInt(const std::string& key, int defaultValue) const {
    const std::string value = Get(key);
    return value.empty() ? defaultValue : std::atoi(value.c_str());
}

Colour UserSettings::GetColour(const std::string& key, Colour defaultValue) const {
    const auto found = entries_.find(key);
    if (found == entries_.end()) {
        return defaultValue;
    }
    Colour colour;
    colour.SetHex(found->second.c_str());
    return colour;
}

bool UserSettings::Set(const std::string& key, const std::string& value) {
    if (!IsStorableKey(key)) {
        ReportMessage(SeverityError,
                      "The setting name '" + key + "' cannot be stored in the settings file");
        return false;
    }
    // Setting what this run holds is no change of its own: written, it would put back a
    // value another copy of the program changed since.
    if (const auto found = entries_.find(key); found != entries_.end() && found->second == value) {
        return true;
    }
    entries_[key] = value;
    touched_[key] = value;
    modified_ = true;
    ++changes_;
    WriteThrough();
    return true;
}

bool UserSettings::SetInt(const std::string& key, int value) {
    return Set(key, StringPrintf("%d", value));
}

bool UserSettings::SetColour(const std::string& key, Colour colour) {
    return Set(key, colour.ToHex());
}

void UserSettings::Delete(const std::string& key) {
    if (entries_.erase(key) > 0) {
        touched_[key] = std::nullopt;
        modified_ = true;
        ++changes_;
        WriteThrough();
    }
}

void UserSettings::WriteThrough() {
    if (writeHolds_ > 0) {
        writeHeld_ = true;
        return;
    }
    if (!filePath_.empty()) {
        (void)Save(filePath_);  // reports itself; the settings stay in memory
    }
}

UserSettings::WriteHold::WriteHold(UserSettings& settings) : settings_(settings) {
    ++settings_.writeHolds_;
}

UserSettings::WriteHold::~WriteHold() {
    if (--settings_.writeHolds_ == 0 && settings_.writeHeld_) {
        settings_.writeHeld_ = false;
        settings_.WriteThrough();
    }
}

Colour UserSettings::GetColourBookedOK(int level) const {
    return GetLevelColour(*this, kBookedOK, level);
}

void UserSettings::SetColourBookedOK(int level, Colour colour) {
    SetLevelColour(*this, kBookedOK, level, colour);
}

Colour UserSettings::GetColourBookedBad(int level) const {
    return GetLevelColour(*this, kBookedBad, level);
}

void UserSettings::SetColourBookedBad(int level, Colour colour) {
    SetLevelColour(*this, kBookedBad, level, colour);
}

Colour UserSettings::GetColourTwinGap(int level) const {
    return GetLevelColour(*this, kTwinGap, level);
}

void UserSettings::SetColourTwinGap(int level, Colour colour) {
    SetLevelColour(*this, kTwinGap, level, colour);
}

Colour UserSettings::GetColourTeacherBusy() const {
    return GetColour("colourtbusy", Colour(255, 128, 0));
}

void UserSettings::SetColourTeacherBusy(Colour colour) {
    SetColour("colourtbusy", colour);
}

Colour UserSettings::GetColourTeacherBreak() const {
    return GetColour("colourtbreak", Colour(255, 255, 128));
}

void UserSettings::SetColourTeacherBreak(Colour colour) {
    SetColour("colourtbreak", colour);
}

Colour UserSettings::GetColourAbsent() const {
    return GetColour("colourabsent", Colour(160, 160, 160));
}

void UserSettings::SetColourAbsent(Colour colour) {
    SetColour("colourabsent", colour);
}

Colour UserSettings::GetColourPresentation() const {
    return GetColour("colourpresentation", Colour(128, 255, 128));
}

void UserSettings::SetColourPresentation(Colour colour) {
    SetColour("colourpresentation", colour);
}
