#include "frontends/win32/Win32Picture.h"

#include <ocidl.h>
#include <olectl.h>

namespace quorvane {

namespace {

constexpr DWORD kMaxPictureBytes = 16u << 20;  // a larger file is not read

// The whole file in movable memory, as a stream over it wants it.
GlobalMemory ReadIntoGlobalMemory(const std::string& path, DWORD& size) {
  const KernelHandle file = OwnKernelHandle(
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return nullptr;
  size = GetFileSize(file.get(), nullptr);
  if (size == 0 || size > kMaxPictureBytes) return nullptr;
  GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!memory) return nullptr;
  DWORD got = 0;
  void* bytes = GlobalLock(memory.get());
  const bool read = bytes != nullptr && ReadFile(file.get(), bytes, size, &got, nullptr) && got == size;
  GlobalUnlock(memory.get());
  return read ? std::move(memory) : nullptr;
}

}  // namespace

GdiObject<HBITMAP> RenderPicture(const std::string& path, int width, int height) {
  DWORD size = 0;
  GlobalMemory memory = ReadIntoGlobalMemory(path, size);
  if (!memory) return nullptr;
  ComPointer<IStream> stream;
  // On success the stream owns the memory and frees it with itself.
  if (CreateStreamOnHGlobal(static_cast<HGLOBAL>(memory.get()), TRUE, stream.Receive()) != S_OK)
    return nullptr;
  memory.release();
  ComPointer<IPicture> loaded;
  if (OleLoadPicture(stream.Get(), static_cast<LONG>(size), FALSE, IID_IPicture, loaded.ReceiveVoid()) !=
          S_OK ||
      !loaded)
    return nullptr;

  OLE_XSIZE_HIMETRIC sourceWidth = 0;
  OLE_YSIZE_HIMETRIC sourceHeight = 0;
  loaded->get_Width(&sourceWidth);
  loaded->get_Height(&sourceHeight);
  const WindowDc screen(nullptr);
  const MemoryDc memoryDc(CreateCompatibleDC(screen.Get()));
  GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
  if (!memoryDc || !bitmap) return nullptr;
  {
    const Selection selected(memoryDc.get(), bitmap.get());
    // Picture units run upwards: start at the bottom edge with a negative height.
    if (loaded->Render(memoryDc.get(), 0, 0, width, height, 0, sourceHeight, sourceWidth, -sourceHeight,
                       nullptr) != S_OK)
      return nullptr;
  }
  return bitmap;
}

}  // namespace quorvane
