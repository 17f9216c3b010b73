#pragma once
// The parameter block of the companion transceiver and its shared record.
#include <cstdint>

struct Works;
struct ExtIoParams;

// What decoding one block found wrong. A block whose frequency digits are not
// digits is dropped whole; a bad digit elsewhere leaves only that row's fields.
enum class ParamBlockFault { None, BadFrequency, BadOffset };

// Decodes `length` bytes of a parameter block into `p`. Each row is read only
// when the block is long enough for it and its guard holds, so fields keep
// their last value otherwise.
ParamBlockFault DecodeParameterBlock(ExtIoParams& p, const uint8_t* block, int length);

// Decodes a block into works->extIoParams under the external IO mutex.
// Returns what was wrong with it.
ParamBlockFault storeParameters(Works* works, int length, const uint8_t* block);
// Copies the whole record under the same mutex.
void getParameters(ExtIoParams* dest, Works* works);
