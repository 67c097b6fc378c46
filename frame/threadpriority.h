// Priority of a send's helper threads. The thread that talks to the center (and keeps the window
// painting) waits on the network most of the time and must get a processor the moment a reply is in;
// helpers that build request bodies or write the state file only fill the time in between.
#pragma once

// The calling thread runs only when no ordinary thread wants the processor. Its disk requests keep
// the lowest ordinary class: in the idle class a file sync could wait behind every other disk user.
void RunAsIdleThread();
