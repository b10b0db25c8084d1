// Showing dialogs from compact templates.
#include "win/dialog.h"

#include "base/dialogtemplate.h"
#include "win/sys.h"

namespace vx {

Status ExpandedTemplate::expand(std::string_view compactTemplate) {
  words_.clear();
  std::size_t size = 0;
  Status status = expandedSize(compactTemplate, size);
  if (failed(status)) return status;
  // Whole 32-bit words: the system wants the template aligned to 4 bytes.
  std::vector<std::uint32_t> words((size + 3) / 4, 0);
  status = expandTemplate(compactTemplate, words.data(), words.size() * sizeof(std::uint32_t));
  if (failed(status)) return status;
  words_ = std::move(words);
  return kOk;
}

INT_PTR ShowDialog(HWND owner, std::string_view compactTemplate, DLGPROC procedure, LPARAM parameter) {
  ExpandedTemplate expanded;
  Status status = expanded.expand(compactTemplate);
  if (failed(status)) return status;
  HMODULE module = nullptr;
  status = sys::getModuleHandle("", module);
  if (failed(status)) return status;
  INT_PTR result = 0;
  status = sys::dialogBoxIndirectParam(module, expanded.get(), owner, procedure, parameter, result);
  if (failed(status)) return status;
  return result;
}

void storeDialogParameter(HWND dialog, LPARAM parameter) {
  LONG_PTR previous = 0;
  sys::setWindowLongPtr(dialog, GWLP_USERDATA, parameter, previous);
}

}  // namespace vx
