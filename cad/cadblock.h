#pragma once
// cadblock: blocks, sections and the drawing head on top of the output layer (cadout.h).
//
// The file outputs get real block definitions and inserts from their writers. The drawing
// window has no blocks: on the screen each definition is written as a small DXF file of bare
// entities ending with 0 "EOF", the block file "$" + name + ".dx$", and each insert draws that
// file's entities through the insert transform. Inserts inside block files nest up to four
// levels. Block files of this program live in a directory of their own below TempDir (one per
// process), so closing the screen output deletes only what this process wrote; the user's logo
// files ("$LOGO_2.dx$", "$LOGO_3.dx$", "$logo_1.dx$") lie in TempDir itself and are read, never
// deleted. Names are matched without regard to letter case. A block file is parsed once per
// drawing and kept until the block is defined again or the output is opened or closed.

#include <cstdint>
#include <string>
#include <string_view>

void CadBeginDrawing(long double xmin, long double ymin, long double xmax, long double ymax);
void CadWriteTables(std::int32_t layerSet);
void CadBeginBlocksSection();
void CadBeginBlock(std::string_view name);
void CadEndBlock();
void CadEndSection();
void CadBeginEntities();
// Name, position, rotation in degrees, scales. The origin is not added.
void CadInsertBlock(std::string_view name, long double x, long double y, long double angleDeg,
                    long double sx, long double sy);
// The screen read-back of one insert; composes onto the current insert transform.
void CadDrawBlockFile(std::string_view name, long double x, long double y, long double angleDeg,
                      long double sx, long double sy);

// The insert transform of the CAD state applied to a point.
void CadTransformPoint(long double px, long double py, long double& x, long double& y);
// The CAD colour number of a layer name: its index in LayerNames, else the name as an integer
// (0 when it is neither).
std::int32_t LayerNumber(std::string_view name);

// The directory of this process's block files (AddBackslash form), below TempDir.
std::string CadBlockDir();
// The full name of the block file this process writes for a block.
std::string CadBlockFileName(std::string_view name);
// Deletes every block file this process wrote (and its directory when empty); never a file it
// did not write. Called when the screen output closes and at program exit.
void CadDeleteBlockFiles();
// Forgets every parsed block (the next insert reads its file again).
void CadClearBlockCache();
// Number of block files parsed since the last CadClearBlockCache (for tests of the cache).
int CadBlockFilesParsed();
