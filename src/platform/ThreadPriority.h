#pragma once

// Lets every other thread of the program, and of the machine, go before
// the calling one when they want the processor at the same time: for work
// in the background that must not slow what the user sees. Best effort;
// nothing changes where the system does not allow it.
void yieldToOtherThreads();
