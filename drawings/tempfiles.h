#pragma once
// Clean-up of the temporary drawing files when the program ends: the block files the screen
// output of this process wrote (cad/screenwrite.h). Files of other programs or other runs and
// the user's logo files in TempDir are never touched.

// Clears AbortFlag, shows "Delete temporary files ..." and deletes this process's block files.
// Always true: a file that cannot be erased stays, and closing the program goes on.
bool DeleteTempFiles();
