// The translator's triangle array (its fields m_triList and m_maxNumTriangles): its
// memory and its growth rule in one place. Where the system can reserve address space,
// the array grows in place inside one reservation for the largest capacity; elsewhere by
// allocating the larger array with array new, copying and releasing the old one.
#ifndef RLF_TRIANGLE_ARRAY_H
#define RLF_TRIANGLE_ARRAY_H

#include "RlFileIO.h"

// Makes room for at least one more record beyond *capacity: the first
// RL_MAX_NUM_TRIANGLES records when *list is null, else RL_MAX_NUM_TRIANGLES more. The
// filled records keep their content; *list may move. *reserved says how the array is
// held. False, leaving the array as it was, when the memory cannot be had or the
// capacity would pass INT32_MAX.
bool GrowTriangleArray(RlRawTriangle** list, int* capacity, bool* reserved);

// Releases an array that GrowTriangleArray made (nothing when list is null).
void ReleaseTriangleArray(RlRawTriangle* list, bool reserved);

#endif
