#include "MapImage.h"

#include <Imath/half.h>
#include <OpenEXR/ImfChannelList.h>
#include <OpenEXR/ImfFrameBuffer.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfIO.h>
#include <OpenEXR/ImfOutputFile.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <new>

#include "MacSpecific.h"
#include "VekEndian.h"

namespace {

unsigned Level(float value, int bits) {
  const double top = static_cast<double>((1u << bits) - 1);
  const double v = std::isnan(value) ? 0.0 : std::clamp(static_cast<double>(value), -1.0, 1.0);
  return static_cast<unsigned>(std::lround((v * 0.5 + 0.5) * top));
}

void PutBig32(std::vector<unsigned char>* out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<unsigned char>(value >> shift));
}

// A PNG chunk: length, type, data and the CRC of type and data.
void PutChunk(std::vector<unsigned char>* out, const char* type, const unsigned char* data, std::size_t size) {
  PutBig32(out, static_cast<uint32_t>(size));
  const std::size_t start = out->size();
  out->insert(out->end(), type, type + 4);
  out->insert(out->end(), data, data + size);
  PutBig32(out, static_cast<uint32_t>(crc32(0, out->data() + start, static_cast<uInt>(size + 4))));
}

bool EncodePng(const std::vector<float>& values, int channels, int width, int height, int bits,
               std::vector<unsigned char>* file) {
  const std::size_t bytesPerTexel = static_cast<std::size_t>(channels * bits / 8);
  const std::size_t rowBytes = 1 + bytesPerTexel * static_cast<std::size_t>(width);
  // Each row filtered with "Sub" (the difference from the texel to the left), which suits
  // smooth maps; samples are big-endian.
  std::vector<unsigned char> raw(rowBytes * static_cast<std::size_t>(height));
  std::vector<unsigned char> row(rowBytes - 1);
  for (int y = 0; y < height; ++y) {
    unsigned char* out = &raw[rowBytes * static_cast<std::size_t>(y)];
    const std::size_t first =
        static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
    for (std::size_t i = 0; i < static_cast<std::size_t>(width * channels); ++i) {
      const unsigned level = Level(values[first + i], bits);
      if (bits == 16) {
        row[2 * i] = static_cast<unsigned char>(level >> 8);
        row[2 * i + 1] = static_cast<unsigned char>(level);
      } else {
        row[i] = static_cast<unsigned char>(level);
      }
    }
    out[0] = 1;
    for (std::size_t i = 0; i < row.size(); ++i) {
      out[1 + i] = static_cast<unsigned char>(row[i] - (i >= bytesPerTexel ? row[i - bytesPerTexel] : 0));
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<unsigned char> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) return false;
  static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  file->assign(kSignature, kSignature + 8);
  std::vector<unsigned char> header;
  PutBig32(&header, static_cast<uint32_t>(width));
  PutBig32(&header, static_cast<uint32_t>(height));
  header.push_back(static_cast<unsigned char>(bits));
  header.push_back(channels == 3 ? 2 : 0);  // colour type: RGB or grey
  header.insert(header.end(), {0, 0, 0});   // deflate, adaptive filters, no interlace
  PutChunk(file, "IHDR", header.data(), header.size());
  PutChunk(file, "IDAT", packed.data(), packedSize);
  PutChunk(file, "IEND", nullptr, 0);
  return true;
}

// Uncompressed true-colour (or grey) TGA, rows from the top; its header is the library's
// record, its WORDs stored little-endian on any host.
void EncodeTga(const std::vector<float>& values, int channels, int width, int height,
               std::vector<unsigned char>* file) {
  TGAHeaderInfo header;
  std::memset(&header, 0, sizeof header);
  header.imtype = channels == 3 ? 2 : 3;
  header.imwidth = static_cast<WORD>(width);
  header.imheight = static_cast<WORD>(height);
  header.imdepth = static_cast<BYTE>(8 * channels);
  header.imdesc = 0x20;  // the first row is the top one
  if constexpr (kHostIsBigEndian) VekByteSwap_TGAHeaderInfo(&header, 1);
  file->resize(sizeof header);
  std::memcpy(file->data(), &header, sizeof header);
  const std::size_t texels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  file->reserve(sizeof header + texels * static_cast<std::size_t>(channels));
  for (std::size_t i = 0; i < texels; ++i) {
    if (channels == 3) {  // stored blue, green, red
      for (int k = 2; k >= 0; --k)
        file->push_back(static_cast<unsigned char>(Level(values[3 * i + static_cast<std::size_t>(k)], 8)));
    } else {
      file->push_back(static_cast<unsigned char>(Level(values[i], 8)));
    }
  }
}

// An OpenEXR output stream into memory, so that the file is written as every map is.
class MemoryStream : public Imf::OStream {
 public:
  explicit MemoryStream(std::vector<unsigned char>* out) : Imf::OStream("map"), out_(out) { out_->clear(); }
  void write(const char data[], int n) override {
    const auto count = static_cast<std::size_t>(n);
    if (out_->size() < at_ + count) out_->resize(at_ + count);
    std::memcpy(out_->data() + at_, data, count);
    at_ += count;
  }
  uint64_t tellp() override { return at_; }
  void seekp(uint64_t at) override { at_ = static_cast<std::size_t>(at); }

 private:
  std::vector<unsigned char>* out_;
  std::size_t at_ = 0;
};

// The values as they are, each channel a half or a float, ZIP-compressed, rows from the top.
void EncodeExr(const std::vector<float>& values, int channels, int width, int height, int bits,
               std::vector<unsigned char>* file) {
  const Imf::PixelType type = bits == 16 ? Imf::HALF : Imf::FLOAT;
  Imf::Header header(width, height);
  header.compression() = Imf::ZIP_COMPRESSION;
  const char* const names[] = {"R", "G", "B"};
  std::vector<half> halves;
  if (type == Imf::HALF) halves.assign(values.begin(), values.end());
  const std::size_t size = type == Imf::HALF ? sizeof(half) : sizeof(float);
  char* base = type == Imf::HALF ? reinterpret_cast<char*>(halves.data())
                                 : reinterpret_cast<char*>(const_cast<float*>(values.data()));
  Imf::FrameBuffer frame;
  for (int k = 0; k < channels; ++k) {
    const char* name = channels == 1 ? "Y" : names[k];
    header.channels().insert(name, Imf::Channel(type));
    frame.insert(name,
                 Imf::Slice(type, base + size * static_cast<std::size_t>(k), size * static_cast<std::size_t>(channels),
                            size * static_cast<std::size_t>(channels) * static_cast<std::size_t>(width)));
  }
  MemoryStream stream(file);
  Imf::OutputFile out(stream, header);
  out.setFrameBuffer(frame);
  out.writePixels(height);
}

}  // namespace

bool RlEncodeMap(const std::vector<float>& values, int channels, int width, int height, int bits, RlMapFormat format,
                 std::vector<unsigned char>* file, std::string* error) {
  if (format == RlMapFormat::kTga && (bits != 8 || width > 65535 || height > 65535)) {
    *error = "TGA holds 8 bits per channel";
    return false;
  }
  if (format == RlMapFormat::kExr && bits != 16 && bits != 32) {
    *error = "EXR holds 16 (half) or 32 (float) bits per channel";
    return false;
  }
  if (format == RlMapFormat::kPng && bits != 8 && bits != 16) {
    *error = "PNG holds 8 or 16 bits per channel";
    return false;
  }
  try {
    if (format == RlMapFormat::kTga) {
      EncodeTga(values, channels, width, height, file);
      return true;
    }
    if (format == RlMapFormat::kExr) {
      EncodeExr(values, channels, width, height, bits, file);
      return true;
    }
    if (EncodePng(values, channels, width, height, bits, file)) return true;
  } catch (const std::bad_alloc&) {
  } catch (const std::exception& e) {  // OpenEXR's own errors
    *error = std::string("OpenEXR: ") + e.what();
    return false;
  }
  *error = "not enough memory to encode the map";
  return false;
}
