// RegisterCadWriters: the writers and editors the program installs once at start.

#include "cad/cadwriter.h"
#include "cad/igeswrite.h"
#include "cad/plotform.h"
#include "cad/plotline.h"
#include "cad/txtwrite.h"

void RegisterCadWriters() {
    RegisterCadWriter(2, [] { return std::make_unique<TIgesWriter>(); });
    RegisterCadWriter(5, [] { return std::make_unique<TTxtWriter>(); });
    CadPlotFormHook = ShowPlotForm;
    CadPlotLineEditHook = EditPlotCommandLine;
}
