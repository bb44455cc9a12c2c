// Reading BMP headers field by field into host order.
#include <gtest/gtest.h>

#include <cstring>

#include "MacSpecific.h"
#include "Streams.h"

TEST(BitmapHeader, ReadsTheFileHeaderExample) {
  UniqueFile fp(TempFileWith(Hex("42 4D  36 00 01 00  00 00  00 00  36 00 00 00")));
  tagBITMAPFILEHEADER bfh;
  ReadBitmapFileHeader(fp.get(), &bfh);
  EXPECT_EQ(bfh.bfType, 0x4D42);  // 'B' 'M' as a little-endian WORD
  EXPECT_EQ(bfh.bfSize, 0x00010036u);
  EXPECT_EQ(bfh.bfReserved1, 0);
  EXPECT_EQ(bfh.bfReserved2, 0);
  EXPECT_EQ(bfh.bfOffBits, 54u);
  EXPECT_EQ(std::ftell(fp.get()), 14);
}

TEST(BitmapHeader, BothHeadersOfABmpFileConsume30Bytes) {
  UniqueFile fp(
      TempFileWith(Hex("42 4D 46 00 00 00 00 00 00 00 36 00 00 00"
                       "28 00 00 00  02 00 00 00  FF FF FF FF  01 00  18 00"
                       "00 00 00 00  10 00 00 00")));
  tagBITMAPFILEHEADER bfh;
  tagBITMAPCOREHEADER bch;
  ReadBitmapFileHeader(fp.get(), &bfh);
  ReadBitmapCoreHeader(fp.get(), &bch);
  EXPECT_EQ(std::ftell(fp.get()), 30);
  EXPECT_EQ(bch.bcSize, 40u);
  EXPECT_EQ(bch.bcWidth, 2);
  EXPECT_EQ(bch.bcHeight, -1);
  EXPECT_EQ(bch.bcPlanes, 1);
  EXPECT_EQ(bch.bcBitCount, 24);
}

TEST(BitmapHeader, FieldsPastTheEndOfTheStreamAreZero) {
  UniqueFile fp(TempFileWith(Hex("28 00 00 00  02 00 00 00  05 00")));
  tagBITMAPCOREHEADER bch;
  std::memset(&bch, 0xAB, sizeof bch);
  ReadBitmapCoreHeader(fp.get(), &bch);
  EXPECT_EQ(bch.bcSize, 40u);
  EXPECT_EQ(bch.bcWidth, 2);
  EXPECT_EQ(bch.bcHeight, 0);  // only two of its four bytes were there
  EXPECT_EQ(bch.bcPlanes, 0);
  EXPECT_EQ(bch.bcBitCount, 0);
  EXPECT_TRUE(std::feof(fp.get()));
}
