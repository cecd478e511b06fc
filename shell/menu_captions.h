#pragma once
// The menu captions of the main window in the interface languages (1 German, 2 English,
// 6 Portuguese, 7 Romanian, 8 Korean, 12 Chinese). Two caption sets of global strings: the main
// set and the vocabulary (the words the Help menu and the composite captions are built from).
// Both start in English; SetMainMenuCaptions and SetMenuVocabulary assign the strings of their
// set for a language, and Thh::SetMenuCaptions gives the menu items their texts.
//
// Captions are UTF-8 with an optional "&" before the access key. A code without texts (3, 4, 5,
// 9 or any other) changes nothing.

#include <string>
#include <string_view>

#include "framework/core/text.h" // AccessKey

// One caption per key.
enum TCaptionKey : int {
    ckFileMenu,
    ckNew,
    ckOpen,
    ckSave,
    ckSaveAs,
    ckPrint,
    ckSettings,
    ckExit,
    ckEditMenu,
    ckText,
    ckQuick,
    ckCuttingTool,
    ckDimensions,
    ckQuality,
    ckMeasurement,
    ckCalculationMethod,
    ckViewMenu,
    ckProductionDrawing,
    ckProductionSheet,
    ckTooth,
    ckGear,
    ckTables,
    ckToothing,
    ckMeasure,
    ckTolerance,
    ckRollAngle,
    ckErrorMessages,
    ckPolylineToothRoot,
    ckCAD,
    ckDatabase,
    ckDocument,
    ckDrawingData,
    ckModificationsInfo,
    ckModificationsPrintout,
    ckModificationNew,
    ckEditPreviousModification,
    ckDeletePreviousModification,
    ckDocumentSetup,
    ckHelpMenu,
    ckAuxiliaryImages,
    ckMenu,
    ckLanguage,
    ckTable,
    ckHomepage,
    ckEMail,
    ckCaptionKeyCount
};

// The caption of a key in the caption set in force.
const std::string& MenuCaption(TCaptionKey key);

// Assign the strings of their set for a language code.
void SetMainMenuCaptions(int code);
void SetMenuVocabulary(int code);

// True for the codes that have caption texts (1, 2, 6, 7, 8, 12).
bool HasMenuCaptions(int code);

// The caption without its access key mark ("(&Q)" after a word, or the first single "&"): for
// a part of a caption whose key belongs to another part ("Quick &3").
std::string StripAccessKey(std::string_view caption);
