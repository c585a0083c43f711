#pragma once
// Whether a display server can be reached; asked before the toolkit starts,
// because the toolkit ends the process when it cannot reach one.
bool displayReachable();
