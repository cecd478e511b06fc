#include "drawings/tempfiles.h"

#include "cad/screenwrite.h"
#include "framework/core/globals.h"
#include "framework/ui/questions.h"

bool DeleteTempFiles() {
    AbortFlag = 0;
    ShowStatus("Delete temporary files ...");
    CadDeleteBlockFiles();
    return true;
}
