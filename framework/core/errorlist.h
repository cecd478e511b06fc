#pragma once
// error0: the message list of the calculation: at most 11 distinct messages of at most 36
// characters, in the order first raised. Texts begin with "Fatal  : ", "Error  : " or "Warning: ".

#include <cstdint>
#include <string_view>

#include "framework/core/fixedtypes.h"

constexpr int ErrorListSize = 11;
constexpr int ErrorTextCapacity = 36;

extern std::uint16_t ErrorCount; // entries in use, 0..11
extern RangeArray<ShortString<ErrorTextCapacity>, 1, ErrorListSize> ErrorList;

// Adds Msg (its first 36 characters) unless an entry with that text exists; a message beyond
// the eleventh is dropped. Does not touch CalcErrorFlag.
void AddError(std::string_view Msg);

// ErrorCount := 0 and CalcErrorFlag := 0; the entries keep their old texts.
void ClearErrors();

// ErrorCount := 0 and every entry emptied (program start).
void InitErrors();
