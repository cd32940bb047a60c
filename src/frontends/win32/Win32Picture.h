#pragma once

#include <string>

#include "frontends/win32/Win32Handles.h"

namespace quorvane {

// The picture file (a JPEG, or anything else OLE decodes) rendered to a bitmap of width x height
// pixels; empty when it cannot be read or decoded. Needs COM on this thread.
GdiObject<HBITMAP> RenderPicture(const std::string& path, int width, int height);

}  // namespace quorvane
