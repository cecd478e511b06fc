#pragma once
// cadblock: blocks, sections and the drawing head on top of the output layer (cadout.h).
//
// Every output gets its block definitions and inserts through its writer (cadwriter.h): the
// file formats write real block definitions and inserts; the screen writes each definition as
// a block file and draws it back at every insert (screenwrite.h).

#include <cstdint>
#include <string>
#include <string_view>

#include "cad/cadstate.h"
#include "cad/screenwrite.h"

void CadBeginDrawing(long double xmin, long double ymin, long double xmax, long double ymax);
// The top of the footer line that the last CadBeginDrawing wrote on the screen, as the drawing
// window shows it (the drawing's lower edge when it wrote none): what stands above it is clear
// of the footer.
long double CadFooterTop();
// Whether a drawing begun now in the open output becomes part of the one it holds: a DXF or TXT
// file holds one head spanning every drawing's extents and what they draw, the first drawing's
// layer tables, and the blocks and entities of every drawing (a block name used again renamed);
// IGES the same in its own sections. False when the output is closed already
// (TCadWriter::JoinDrawings).
bool CadJoinDrawings();
void CadWriteTables(std::int32_t layerSet);
void CadBeginBlocksSection();
void CadBeginBlock(std::string_view name);
void CadEndBlock();
void CadEndSection();
void CadBeginEntities();
// Name, position, rotation in degrees, scales. The origin is not added. A block this drawing
// defined is named as defined, whatever the letter case of name.
void CadInsertBlock(std::string_view name, long double x, long double y, long double angleDeg,
                    long double sx, long double sy);
// The screen read-back of one insert; composes onto the current insert transform. Nothing on
// other outputs.
void CadDrawBlockFile(std::string_view name, long double x, long double y, long double angleDeg,
                      long double sx, long double sy);
