// Image bytes as a COM stream for GDI+.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <vector>

namespace vorn2 {

// A stream over a movable copy of the bytes (streams on HGLOBAL need
// movable memory); releasing the stream frees it. nullptr on failure.
IStream* StreamFromBytes(const std::vector<unsigned char>& bytes);

}  // namespace vorn2
