#pragma once
// The background pictures the screens are drawn over, composed with the
// program's own drawing and text code. The build writes them as PNG files
// beside the binary (tools/make_pictures_main.cpp).
#include <string>

struct FrameBuffer;

inline constexpr const char* kPictureNames[] = {"start", "start120", "statusB", "status", "img1",
                                                "img1b", "img3",     "img3b",   "m5a"};

// Loads the faces the pictures use into font slots 12..16, which no screen
// uses, from a fonts folder such as "/usr/share/fonts/truetype" (with
// dejavu/ and paratype/ inside). False when a face is missing.
bool LoadPictureFonts(const std::string& fontsDir);

// Composes the named picture in the draw buffer of an 800 x 480, 4-byte
// screen. False for an unknown name.
bool DrawPicture(const std::string& name, FrameBuffer* fb);

// The parts, for the pictures and their tests.
void DrawMeterFace(FrameBuffer* fb, int forwardFullScale, bool swrGauge);
void DrawSplash(FrameBuffer* fb, bool variant120);
void DrawStatusBackground(FrameBuffer* fb, bool withHeader);
void DrawSpectrumBackground(FrameBuffer* fb);

// Font slots of the pictures.
inline constexpr int kScaleFont = 12;
inline constexpr int kTitleFont = 13;
inline constexpr int kCaptionFont = 14;
inline constexpr int kSubtitleFont = 15;
inline constexpr int kBadgeFont = 16;
