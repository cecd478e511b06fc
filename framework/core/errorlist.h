#pragma once
// error0: the message list of the calculation: at most 11 distinct messages of at most 36
// characters, in the order first raised (AddError says what a full list keeps). Texts begin with
// "Fatal  : ", "Error  : " or "Warning: ".

#include <cstdint>
#include <string_view>

#include "framework/core/fixedtypes.h"

constexpr int ErrorListSize = 11;
constexpr int ErrorTextCapacity = 36;

extern std::uint16_t ErrorCount; // entries in use, 0..11
extern RangeArray<ShortString<ErrorTextCapacity>, 1, ErrorListSize> ErrorList;

// The last line of a full list: more messages were raised than it holds.
inline constexpr std::string_view ErrorListLeftOut = "Warning: more messages left out !";

// Adds Msg (its first 36 characters) unless an entry with that text exists. The list keeps at
// most 11 lines: once more distinct messages come, the eleventh line is ErrorListLeftOut and
// the ten others are the first raised, except that a fatal message displaces the latest error
// or warning, and an error the latest warning (or note), so no error is lost for a warning.
// Does not touch CalcErrorFlag.
void AddError(std::string_view Msg);

// ErrorCount := 0 and CalcErrorFlag := 0; the entries keep their old texts.
void ClearErrors();

// ErrorCount := 0 and every entry emptied (program start).
void InitErrors();
