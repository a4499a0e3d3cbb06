// Reads the text opcodes' data into text operations.
#pragma once

#include "pict/byte_reader.h"
#include "pict/text_ops.h"

#include <optional>
#include <span>

namespace dravik::pict {

// The text state an opcode sets from its data (without the length word of
// fontName, lineJustify and glyphState); none for other opcodes. Short data
// reads as zeros: the walk has already checked the opcode's size.
std::optional<TextStateOp> ReadTextState(uint16_t opcode, std::span<const uint8_t> data);

// LongText, DHText, DVText or DHDVText from the opcode's first data byte on;
// `r` fails when the run breaks off.
TextOp ReadTextRun(uint16_t opcode, ByteReader& r);

} // namespace dravik::pict
