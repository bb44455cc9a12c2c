// Reading BMP headers field by field into host order; fields past the end of the stream
// read as zero.
#include <gtest/gtest.h>

#include <cstring>

#include "MacSpecific.h"
#include "Streams.h"

TEST(BitmapHeader, ReadsBothHeadersIntoHostOrder) {
  UniqueFile fp(
      TempFileWith(Hex("42 4D 36 00 01 00  00 00  00 00  36 00 00 00"
                       "28 00 00 00  02 00 00 00  FE FF FE FF  01 00  18 00")));
  tagBITMAPFILEHEADER bfh;
  tagBITMAPCOREHEADER bch;
  ReadBitmapFileHeader(fp.get(), &bfh);
  EXPECT_EQ(std::ftell(fp.get()), 14);
  ReadBitmapCoreHeader(fp.get(), &bch);
  EXPECT_EQ(std::ftell(fp.get()), 30);
  EXPECT_EQ(bfh.bfType, 0x4D42);  // 'B' 'M' as a little-endian WORD
  EXPECT_EQ(bfh.bfSize, 0x00010036u);
  EXPECT_EQ(bfh.bfReserved1 | bfh.bfReserved2, 0);
  EXPECT_EQ(bfh.bfOffBits, 54u);
  EXPECT_EQ(bch.bcSize, 40u);
  EXPECT_EQ(bch.bcWidth, 2);
  EXPECT_EQ(bch.bcHeight, -65538);
  EXPECT_EQ(bch.bcPlanes, 1);
  EXPECT_EQ(bch.bcBitCount, 24);

  UniqueFile cut(TempFileWith(Hex("28 00 00 00  02 00 00 00  05 00")));
  std::memset(&bch, 0xAB, sizeof bch);
  ReadBitmapCoreHeader(cut.get(), &bch);
  EXPECT_EQ(bch.bcSize, 40u);
  EXPECT_EQ(bch.bcWidth, 2);
  EXPECT_EQ(bch.bcHeight | bch.bcPlanes | bch.bcBitCount, 0);  // only two of bcHeight's four bytes were there
  EXPECT_TRUE(std::feof(cut.get()));
}
