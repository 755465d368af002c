#pragma once

// Makes a screen reader meet each of the program's own windows as a window: Qt gives a plain
// top-level widget the role of a filler, which a reader neither announces nor lists. Called once
// before the first window is made; calling it again does nothing.
void announceWindowsAsWindows();
