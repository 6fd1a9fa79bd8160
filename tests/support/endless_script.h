#pragma once

// A Lua function `forever` that never ends for a user, yet gives up by itself after twenty
// seconds of CPU with the error "ran out": a road whose Stop does not reach it fails its test
// instead of hanging it.
inline constexpr const char* kEndlessScript =
    "local function forever()\n"
    "  local give_up = os.clock() + 20\n"
    "  while os.clock() < give_up do end\n"
    "  error('ran out')\n"
    "end\n";
