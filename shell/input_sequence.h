#pragma once
// The input sequence of a job: the drawing texts, the tool profile, the dimensions, the quality
// and the measurement, each dialog filled from the gear data and storing on OK, then the
// calculation (File > New and Edit > Quick).
//
// Cancel in the drawing-text dialog stops at once: AbortFlag stays set and nothing is
// calculated. Cancel in a later dialog, or a fatal failure of the calculation that OK runs in
// the tool-profile, dimensions and quality dialogs, keeps what was confirmed, shows no further
// dialog, clears AbortFlag and calculates once. Going through all five calculates
// once more at the end and sets DataModified; a fatal failure there leaves AbortFlag set.

class Thh;

// owner: the main window (may be nullptr); after the dimensions it draws the new gear while
// HelpLevel is not 0.
void RunInputSequence(Thh* owner);
