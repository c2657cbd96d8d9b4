// Image bytes as a COM stream for GDI+.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <vector>

#include "framework/win/Handles.h"

namespace vorn2 {

// A stream over a movable copy of the bytes (streams on HGLOBAL need
// movable memory); releasing the stream frees it. Empty on failure.
ComPtr<IStream> StreamFromBytes(const std::vector<unsigned char>& bytes);

}  // namespace vorn2
