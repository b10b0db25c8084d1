#pragma once
// COM and shell links (the shortcuts of the setup programs). A failing HRESULT is
// kept for lastError() like a system error code.
#include "win/sys.h"

#include <shobjidl.h>

namespace vx::sys {

// COM for this thread; already initialised (S_FALSE) is success, and needs its
// coUninitialize() all the same.
Status coInitialize();
void coUninitialize();

// An object of class `cls` served in this process, asked for interface `iid`.
Status coCreateInstance(REFCLSID cls, REFIID iid, void*& object);
Status queryInterface(IUnknown* object, REFIID iid, void*& result);
void release(IUnknown* object);

Status shellLinkSetPath(IShellLinkW* link, std::string_view target);
Status shellLinkGetPath(IShellLinkW* link, std::string& target);

// Saves to `path`; `remember` makes `path` the object's current file.
Status persistFileSave(IPersistFile* file, std::string_view path, bool remember);
Status persistFileLoad(IPersistFile* file, std::string_view path);

}  // namespace vx::sys
