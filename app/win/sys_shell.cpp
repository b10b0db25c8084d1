// COM and shell link wrappers.
#include "win/sys_shell.h"

#include "win/sys_text.h"

namespace vx::sys {

using namespace detail;

namespace {

Status answered(HRESULT result, Status own) {
  return SUCCEEDED(result) ? kOk : failure(own, static_cast<DWORD>(result));
}

}  // namespace

Status coInitialize() { return answered(CoInitialize(nullptr), kCoInitializeFailed); }
void coUninitialize() { CoUninitialize(); }

Status coCreateInstance(REFCLSID cls, REFIID iid, void*& object) {
  void* result = nullptr;
  const Status status = answered(CoCreateInstance(cls, nullptr, CLSCTX_INPROC_SERVER, iid, &result),
                                 kCoCreateInstanceFailed);
  if (!failed(status)) object = result;
  return status;
}

Status queryInterface(IUnknown* object, REFIID iid, void*& result) {
  void* found = nullptr;
  const Status status = answered(object->QueryInterface(iid, &found), kQueryInterfaceFailed);
  if (!failed(status)) result = found;
  return status;
}

void release(IUnknown* object) { object->Release(); }

Status shellLinkSetPath(IShellLinkW* link, std::string_view target) {
  if (!validName(target)) return invalidName(kShellLinkSetPathFailed);
  return answered(link->SetPath(w(wide(target))), kShellLinkSetPathFailed);
}

Status shellLinkGetPath(IShellLinkW* link, std::string& target) {
  wchar_t buffer[MAX_PATH + 1] = {};
  // S_FALSE (no path) counts as success with an empty target.
  const Status status = answered(link->GetPath(buffer, MAX_PATH, nullptr, 0), kShellLinkGetPathFailed);
  if (failed(status)) return status;
  target = narrow(buffer, wcslen(buffer));
  return kOk;
}

Status persistFileSave(IPersistFile* file, std::string_view path, bool remember) {
  if (!validName(path)) return invalidName(kPersistFileSaveFailed);
  return answered(file->Save(w(wide(path)), remember), kPersistFileSaveFailed);
}

Status persistFileLoad(IPersistFile* file, std::string_view path) {
  if (!validName(path)) return invalidName(kPersistFileLoadFailed);
  return answered(file->Load(w(wide(path)), STGM_READ), kPersistFileLoadFailed);
}

}  // namespace vx::sys
