#pragma once

struct lua_State;

// os.execute and io.popen for scripts, with the wait for the command within Stop's reach: the
// library's own wait inside C, where no hook runs, so a command that never ended held the window
// until the program was killed. Stop ends the command. io.popen gives a command's whole output
// once it has ended (read mode), or runs it on what was written once the file is closed (write
// mode).
void InstallShellCommands(lua_State* L);
