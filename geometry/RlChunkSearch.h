// Internal: the search for the triangle chunk of an RLF file (not exported).
#ifndef RL_CHUNK_SEARCH_H
#define RL_CHUNK_SEARCH_H

#include <cstdio>

#include "RlFileIO.h"

enum class ChunkSearch {
  kFound,             // the stream stands at the "TRIS" chunk's count
  kNoData,            // end-of-file indicator set when the next top-level chunk was due
  kUnreadableHeader,  // a chunk header could not be read
  kSkipFailed,        // a chunk could not be skipped by exactly its size
};

// Reads the chunk header at the stream's position into *header, in host order.
bool ReadChunkHeader(FILE* fp, RlHeader* header);

// Moves the stream exactly size bytes forward. Fails, wherever the stream then stands,
// when the stream refuses the seek or does not end up size bytes further on.
bool SkipChunk(FILE* fp, UNSIGNED_INT_32 size);

// From the stream's position: skips top-level chunks until "RLF ", then, without
// bounding the search by that chunk's size, skips its sub-chunks until "TRIS".
ChunkSearch FindTriangleChunk(FILE* fp);

#endif
