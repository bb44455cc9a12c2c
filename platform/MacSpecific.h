// Platform services for the tools that share the geometry library: byte-order
// conversion of every record that crosses a file, case-insensitive string comparison,
// the directory of the running application, and bitmap header readers.
#ifndef MAC_SPECIFIC_H
#define MAC_SPECIFIC_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "RlExport.h"

#if defined(__APPLE__)
#include <MacTypes.h>  // OSErr
#else
typedef int16_t OSErr;
#endif

// ---------------------------------------------------------------------------------------
// Scalar types of the byte-order family.

typedef uint32_t uint32;
typedef int16_t int16;
typedef uint16_t uint16;
typedef int32_t int32;
typedef float float32;
typedef double float64;

static_assert(sizeof(float32) == 4 && sizeof(float64) == 8);

// ---------------------------------------------------------------------------------------
// Byte-order family.
//
// Each member converts num consecutive elements of its type, starting at arg, in place
// and in ascending order, by reversing the bytes of every multi-byte field; one-byte
// data is left alone. The reversal is unconditional (these functions do not look at the
// host's byte order), so calling a member twice restores the data exactly. Floats are
// moved as bit patterns: NaN payloads, infinities and denormals survive. Fields at
// unaligned offsets are handled where they lie. num counts elements, not bytes; num 0
// touches nothing. arg is not checked. Every member returns 1.

RL_API uint32 VekByteSwap_bool8(void* arg, uint32 num);
RL_API uint32 VekByteSwap_char8(void* arg, uint32 num);
RL_API uint32 VekByteSwap_int8(void* arg, uint32 num);
RL_API uint32 VekByteSwap_uint8(void* arg, uint32 num);
RL_API uint32 VekByteSwap_int16(void* arg, uint32 num);
RL_API uint32 VekByteSwap_uint16(void* arg, uint32 num);
RL_API uint32 VekByteSwap_int32(void* arg, uint32 num);
RL_API uint32 VekByteSwap_uint32(void* arg, uint32 num);
RL_API uint32 VekByteSwap_float32(void* arg, uint32 num);
RL_API uint32 VekByteSwap_float64(void* arg, uint32 num);

// Records of RlFileIO.h; the stride is the record's packed size.
RL_API uint32 VekByteSwap_RlHeader(void* arg, uint32 num);            // 8: size only, tag kept
RL_API uint32 VekByteSwap_RlRawPoint(void* arg, uint32 num);          // 12
RL_API uint32 VekByteSwap_RlRawPointD(void* arg, uint32 num);         // 24
RL_API uint32 VekByteSwap_RlRawTexCoord(void* arg, uint32 num);       // 8
RL_API uint32 VekByteSwap_RlRawTriangle(void* arg, uint32 num);       // 96
RL_API uint32 VekByteSwap_RlRawTangentSpace(void* arg, uint32 num);   // 72
RL_API uint32 VekByteSwap_RlRawTangentSpaceD(void* arg, uint32 num);  // 144
RL_API uint32 VekByteSwap_RlIndex(void* arg, uint32 num);             // 12
RL_API uint32 VekByteSwap_RlTangentPointD(void* arg, uint32 num);     // 116: 14 doubles, count

// Image records below; the stride is the record's packed size.
RL_API uint32 VekByteSwap_TGAHeaderInfo(void* arg, uint32 num);  // 18: the six WORDs
RL_API uint32 VekByteSwap_VekBitmap(void* arg, uint32 num);      // 9 + pointer: width, height, format

// ---------------------------------------------------------------------------------------
// String helpers. All arguments are valid NUL-terminated strings.

// Lower-cases str in place with the C library's tolower for the current locale.
RL_API void StrToLower(char* str);

// Case-insensitive comparison: lowers copies of both strings and returns strcmp's result
// on them (less than, equal to or greater than zero). The arguments are not changed.
RL_API int strcmpi(const char* str1, const char* str2);

// Same as strcmpi.
RL_API int stricmp(const char* str1, const char* str2);

// As strcmpi, over at most length characters (strncmp on the lowered copies).
RL_API int strnicmp(const char* str1, const char* str2, unsigned long length);

// ---------------------------------------------------------------------------------------
// The directory of the running viewer.
//
// Writes the full path of the running executable into filePath (pathSize bytes, NUL
// included), cut just before the first occurrence of "RLFView" (the viewer's name), so
// that /Apps/RLFView.app/Contents/MacOS/RLFView gives /Apps/. A path without that name is
// kept whole. posixStyle selects "/"-separated paths; on hosts with a single path syntax
// (Linux) false gives the same "/"-separated path.
// Returns 0, or -43 (file not found) when the path cannot be found or does not fit; the
// buffer's contents are then unspecified.
RL_API OSErr GetBaseFilePath(char* filePath, int pathSize, bool posixStyle);

// ---------------------------------------------------------------------------------------
// Image records and bitmap header readers.

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;

// BMP file header in host order, as held in memory (the file's 14 packed bytes are
// read field by field, so this record may have gaps).
typedef struct tagBITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
} BITMAPFILEHEADER;

// The first 16 bytes of the bitmap information header that follows the file header,
// with 32-bit width and height.
typedef struct tagBITMAPCOREHEADER {
  DWORD bcSize;
  LONG bcWidth;
  LONG bcHeight;
  WORD bcPlanes;
  WORD bcBitCount;
} BITMAPCOREHEADER;

// Pixel layout of a VekBitmap: channel bits in order, S for signed channels.
enum VekBitmapFormatEnum {
  VEK_BITMAP_FORMAT_UNKNOWN = 0,
  VEK_BITMAP_FORMAT_8 = 1,
  VEK_BITMAP_FORMAT_88 = 2,
  VEK_BITMAP_FORMAT_888 = 3,
  VEK_BITMAP_FORMAT_8888 = 4,
  VEK_BITMAP_FORMAT_16 = 5,
  VEK_BITMAP_FORMAT_1616 = 6,
  VEK_BITMAP_FORMAT_16161616 = 7,
  VEK_BITMAP_FORMAT_S1616 = 8,
  VEK_BITMAP_FORMAT_S16161616 = 9,
  VEK_BITMAP_FORMAT_1010102 = 10,
  VEK_BITMAP_FORMAT_FORCE_DWORD = -1  // not a format: keeps the enumeration 32 bits wide
};
static_assert(sizeof(VekBitmapFormatEnum) == 4);

#pragma pack(push, 1)

// The 18-byte TGA file header; every WORD is little-endian in a file.
typedef struct _TGAHeaderInfo {
  BYTE idlen;
  BYTE cmtype;
  BYTE imtype;
  WORD cmorg;
  WORD cmcnt;
  BYTE cmsize;
  WORD imxorg;
  WORD imyorg;
  WORD imwidth;
  WORD imheight;
  BYTE imdepth;
  BYTE imdesc;
} TGAHeaderInfo;

// An image in memory, packed without gaps: 13 bytes with 32-bit pointers, 17 bytes with
// 64-bit pointers. That size is also the stride of VekByteSwap_VekBitmap.
typedef struct VekBitmap {
  uint16_t width;
  uint16_t height;
  uint8_t bitDepth;
  VekBitmapFormatEnum format;
  uint8_t* pixels;
} VekBitmap;

#pragma pack(pop)

static_assert(sizeof(TGAHeaderInfo) == 18);
static_assert(offsetof(TGAHeaderInfo, cmorg) == 3 && offsetof(TGAHeaderInfo, cmcnt) == 5);
static_assert(offsetof(TGAHeaderInfo, cmsize) == 7 && offsetof(TGAHeaderInfo, imxorg) == 8);
static_assert(offsetof(TGAHeaderInfo, imheight) == 14 && offsetof(TGAHeaderInfo, imdesc) == 17);
static_assert(sizeof(VekBitmap) == 9 + sizeof(void*));
static_assert(offsetof(VekBitmap, bitDepth) == 4 && offsetof(VekBitmap, format) == 5);
static_assert(offsetof(VekBitmap, pixels) == 9);

// Reads a BMP file header (14 bytes, little-endian) from the stream's position into
// *bfh, in host order; the stream is left just after it. Reads are not checked: fields
// that the stream ends before are left 0, and the caller checks the stream's state or
// validates the fields (bfType is 'B' 'M' as a little-endian WORD, 0x4D42).
RL_API void ReadBitmapFileHeader(FILE* f, tagBITMAPFILEHEADER* bfh);

// Reads the 16-byte header described above into *bch, in host order, the same way.
RL_API void ReadBitmapCoreHeader(FILE* f, tagBITMAPCOREHEADER* bch);

#endif
