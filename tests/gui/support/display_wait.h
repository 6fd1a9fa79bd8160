#pragma once

// A busy machine's X server sometimes turns a connection away: tries again for a few seconds.
// False when the display never answered.
bool WaitForDisplay();
