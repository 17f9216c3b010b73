#pragma once
// UTF-8 decoding for text drawing. Ill-formed input is never rejected as a
// whole: each ill-formed sequence counts as one invalid character, consumed as
// its maximal ill-formed prefix, so any byte string can be drawn and measured.

// Decodes the character at byte *position of `text` (length bytes) and moves
// *position past it. Returns 1 while a character was read, -1 (nothing changed
// but *valid and *codePoint reset) once *position >= length. An ill-formed
// sequence gives *valid = 0 and *codePoint = 0.
int utf8_get_next_char(const unsigned char* text, int length, int* position, int* valid, unsigned* codePoint);

// Number of characters, well-formed or not, in the first `length` bytes.
int utf8_length(const unsigned char* text, int length);
