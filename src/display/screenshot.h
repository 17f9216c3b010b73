#pragma once
// Screenshots of the display as 8-bit RGBA PNG files.
#include <cstdint>
#include <string>

// Encodes w x h pixels of a screen buffer (4 bytes B G R x, or RGB565
// little-endian with pixelSize 2) as a PNG. Empty on failure.
std::string EncodeFramebufferPng(const uint8_t* pixels, int w, int h, int pixelSize);

// Writes the PNG to a system path (under the sandbox root in the sandbox),
// replacing the file in one step. False on failure.
bool SaveFramebufferPng(const uint8_t* pixels, int w, int h, int pixelSize, const std::string& path);
