#include "framework/win/Streams.h"

#include <cstring>

namespace vorn2 {

ComPtr<IStream> StreamFromBytes(const std::vector<unsigned char>& bytes) {
  if (bytes.empty()) return nullptr;
  UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
  if (!memory) return nullptr;
  void* p = GlobalLock(memory.get());
  if (!p) return nullptr;
  std::memcpy(p, bytes.data(), bytes.size());
  GlobalUnlock(memory.get());
  ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(memory.get(), TRUE, stream.put()))) return nullptr;
  // The stream frees the memory from now on.
  (void)memory.detach();
  return stream;
}

}  // namespace vorn2
