#pragma once

#include <string>

// The folder for this user's files of the program (settings, autosave copy):
// $XDG_CONFIG_HOME/Quillmoot, or ~/.config/Quillmoot when that variable is unset or not an
// absolute path. Created with its parents when missing. When it cannot be found or made, the
// reason is reported and the result is empty: callers then write nothing rather than fall
// back to a folder of their own.
std::string UserDataFolder();
